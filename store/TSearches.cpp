// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/TSearches.h"

#include <exception>
#include <utility>

#include <pugixml.hpp>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "core/Log.h"
#include "core/TextHelpers.h"
#include "search/XmlValues.h"
#include "store/IRemoteSearchStore.h"

std::uint64_t TSearches::MaxFileSize = std::uint64_t{256} << 20;

namespace {

class TStringWriter final : public pugi::xml_writer {
public:
    explicit TStringWriter(std::size_t expected) { Text.reserve(expected); }
    void write(const void* data, std::size_t size) override { Text.append(static_cast<const char*>(data), size); }
    std::string Text;
};

QString QPath(const std::string& path) {
    return QString::fromStdString(path);
}

void LogQuietly(const std::string& line) {
    try {
        WriteLog(line);
    } catch (const std::exception&) {
    }
}

std::string ElementName(const TSearch& search) {
    return "search" + std::to_string(search.SearchId);
}

} // namespace

TSearches::TSearches(TSearchesContext context)
    : m_context(std::move(context)), m_path(m_context.DataFolder + FileName) {
    ReadFile();
}

TSearches::TSearches(std::string dataFolder) : TSearches(TSearchesContext{std::move(dataFolder), nullptr, nullptr, {}}) {}

int TSearches::CurrentUserId() const {
    return m_context.SignedInUserId ? m_context.SignedInUserId() : -1;
}

TSearches::~TSearches() {
    try {
        WriteFile();
    } catch (const std::exception& error) {
        LogQuietly(error.what());
    }
    for (auto& search : Items)
        search.reset();
    Items.clear();
}

void TSearches::ReadFile() {
    const QString path = QPath(m_path);
    if (!QFile::exists(path) && QFile::exists(QPath(m_context.DataFolder + SpareFileName)))
        QFile::copy(QPath(m_context.DataFolder + SpareFileName), path);
    Xml.clear();
    if (QFileInfo::exists(path)) {
        QFile file(path);
        bool readable = file.open(QIODevice::ReadOnly) && static_cast<std::uint64_t>(file.size()) <= MaxFileSize;
        if (readable) {
            Xml.resize(static_cast<std::size_t>(file.size()));
            readable = file.read(Xml.data(), file.size()) == file.size();
        }
        if (!readable) {
            // Unreadable now is not necessarily lost for good: keep the file for the user
            // instead of deleting it, and start from the empty document.
            file.close();
            QFile::remove(QPath(m_context.DataFolder + UnreadableFileName));
            if (!QFile::rename(path, QPath(m_context.DataFolder + UnreadableFileName)))
                QFile::remove(path);
            LogQuietly("Cannot read " + m_path + "; moved aside as " + UnreadableFileName);
            Xml = EmptyDocument;
            return;
        }
    }
    if (TrimControl(Xml).empty())
        Xml = EmptyDocument;
}

std::unique_ptr<pugi::xml_document> TSearches::ParseXml() const {
    auto document = std::make_unique<pugi::xml_document>();
    const pugi::xml_parse_result result = document->load_buffer(Xml.data(), Xml.size(), SearchesParseOptions);
    if (!result || !document->document_element())
        throw TSearchesError(std::string("The searches file is not a valid XML document: ") + result.description());
    return document;
}

void TSearches::Load() {
    std::unique_ptr<pugi::xml_document> document;
    try {
        document = ParseXml();
    } catch (const TSearchesError&) {
        return; // the text stays as it is and is written back unchanged
    }
    try {
        LoadElements(document->document_element());
    } catch (const std::exception& error) {
        LogQuietly(std::string("Loading the searches stopped: ") + error.what());
    }
    // Loading only reads the document: the text already holds all of it, so it is not
    // written back (that would only change its layout, at the cost of a copy of the file).
}

void TSearches::LoadElements(const pugi::xml_node& root) {
    const int userId = CurrentUserId();
    for (const pugi::xml_node& element : root.children()) {
        if (element.type() != pugi::node_element)
            continue;
        auto search = std::make_unique<TSearch>(element, m_context.Search);
        // A search cannot be shown or run without its category; its element stays.
        if (!search->Category) {
            LogQuietly("Search ID " + std::to_string(search->SearchId) + " names no known category");
            continue;
        }
        if (search->UserId == -1 || (userId != -1 && search->UserId == userId))
            Items.push_back(std::move(search));
    }
}

void TSearches::SerialiseIntoXml(const pugi::xml_document& document) {
    TStringWriter writer(Xml.size() + Xml.size() / 8);
    // One element per line, without indentation: a third smaller and quicker than tabs.
    document.save(writer, "", pugi::format_indent, pugi::encoding_utf8);
    Xml = std::move(writer.Text);
}

void TSearches::Save(TSearch& search, bool local, bool remote, pugi::xml_document* document) {
    std::unique_ptr<pugi::xml_document> parsed;
    if (local && !document) {
        parsed = ParseXml();
        document = parsed.get();
    }
    std::exception_ptr failure;
    try {
        if (remote && m_context.RemoteStore)
            m_context.RemoteStore->SaveSearch(search);
        if (local) {
            pugi::xml_node root = document->document_element();
            root.remove_child(root.child(ElementName(search).c_str()));
            search.WriteXml(*document, CurrentUserId());
        }
    } catch (...) {
        failure = std::current_exception();
    }
    if (local) {
        SerialiseIntoXml(*document);
        parsed.reset();
        WriteFile();
    }
    if (failure)
        std::rethrow_exception(failure);
}

std::unique_ptr<TSearch> TSearches::Delete(TSearch& search) {
    {
        const std::unique_ptr<pugi::xml_document> document = ParseXml();
        pugi::xml_node root = document->document_element();
        root.remove_child(root.child(ElementName(search).c_str()));
        SerialiseIntoXml(*document);
    }
    if (m_context.RemoteStore)
        m_context.RemoteStore->DeleteSearch(search);
    for (auto item = Items.begin(); item != Items.end(); ++item)
        if (item->get() == &search) {
            std::unique_ptr<TSearch> taken = std::move(*item);
            Items.erase(item);
            return taken;
        }
    return nullptr;
}

void TSearches::WriteFile() const {
    QSaveFile file(QPath(m_path));
    if (!file.open(QIODevice::WriteOnly))
        throw TSearchesError("Cannot write " + m_path + ": " + file.errorString().toStdString());
    const qint64 written = file.write(Xml.data(), static_cast<qint64>(Xml.size()));
    if (written != static_cast<qint64>(Xml.size()) || !file.commit())
        throw TSearchesError("Cannot write " + m_path + ": " + file.errorString().toStdString());
}
