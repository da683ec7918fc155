// SPDX-License-Identifier: GPL-3.0-or-later
// The location picker over the shipped place table (about 1,150 places): opening it the
// first time (the tree is built) and again (only the marks are reset, here a whole country
// chosen), and checking the largest country then pressing Select. Each opening counts up
// to the dialog painted on screen. Goal: each under 100 ms. Runs on the offscreen platform
// unless QT_QPA_PLATFORM says otherwise.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

#include "refdata/TPlaces.h"
#include "ui/TfrmSelectLocations.h"

namespace {

using Clock = std::chrono::steady_clock;

const TPlaces& Places() {
    static const TPlaces places(TRAWLIX_REFDATA_OUT "/Places.tx");
    return places;
}

TPlace* UnitedStates() {
    return Places().Roots.front();
}

/// Opens the picker; once it shows, paints it at once, runs whileOpen and closes it with
/// Cancel unless whileOpen closed it.
bool Open(TfrmSelectLocations& picker, const std::function<void()>& whileOpen = {}) {
    QTimer::singleShot(0, &picker, [&picker, whileOpen] {
        picker.repaint();
        if (whileOpen)
            whileOpen();
        if (picker.isVisible())
            picker.reject();
    });
    return picker.Execute();
}

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

void OpenFirstTime(benchmark::State& state) {
    for (auto _ : state) {
        TfrmSelectLocations picker(Places());
        Open(picker);
    }
}
BENCHMARK(OpenFirstTime)->Unit(benchmark::kMillisecond);

void OpenAgainWithACountryChosen(benchmark::State& state) {
    TfrmSelectLocations picker(Places());
    ExpandToLeaves({UnitedStates()}, picker.ChosenPlaces);
    Open(picker);
    for (auto _ : state)
        Open(picker);
    state.counters["chosen"] = static_cast<double>(picker.ChosenPlaces.size());
}
BENCHMARK(OpenAgainWithACountryChosen)->Unit(benchmark::kMillisecond);

/// From the key press on the country to the choice collected and the dialog closed, the
/// tree repainted in between.
void CheckACountryThenSelect(benchmark::State& state) {
    TfrmSelectLocations picker(Places());
    auto* tree = picker.findChild<QTreeView*>(QStringLiteral("tvLocations"));
    auto* select = picker.findChild<QPushButton*>(QStringLiteral("sButton2"));
    for (auto _ : state) {
        picker.ChosenPlaces.clear();
        Clock::time_point start;
        Open(picker, [&] {
            tree->setFocus();
            tree->setCurrentIndex(tree->model()->index(0, 0));
            start = Clock::now();
            QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
            QApplication::sendEvent(tree, &space);
            tree->viewport()->repaint();
            select->click();
        });
        state.SetIterationTime(Seconds(Clock::now() - start));
        if (picker.ChosenRoots.size() != 1 || picker.ChosenRoots.front() != UnitedStates())
            state.SkipWithError("the country was not chosen");
    }
    state.counters["chosen"] = static_cast<double>(picker.ChosenPlaces.size());
}
BENCHMARK(CheckACountryThenSelect)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // The very first opening in the process also pays for fonts and styles: what the user
    // waits for the first time.
    const auto start = Clock::now();
    {
        TfrmSelectLocations picker(Places());
        Open(picker);
    }
    std::printf("first opening in the process (table loaded, tree built, painted): %.1f ms  [goal < 100 ms]\n",
                Seconds(Clock::now() - start) * 1000.0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
