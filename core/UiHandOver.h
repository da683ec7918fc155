// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

#include <QObject>

/// Runs work on the thread of context and returns once it has run there. Called on that
/// thread it runs at once; from a worker it blocks on a queued call. If context is
/// destroyed before the call is delivered, the call is dropped and this returns false.
/// A background job (core/TBackgroundWork.h) asked to stop does not block: it returns
/// false at once, and a stop request during the wait abandons a call that has not begun
/// (it never runs).
bool RunOnUiThread(QObject* context, const std::function<void()>& work);

/// Queues work to run on the thread of context and returns at once; dropped when context
/// is destroyed first.
void PostToUiThread(QObject* context, std::function<void()> work);
