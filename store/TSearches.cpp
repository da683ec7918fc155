// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/TSearches.h"

#include <exception>
#include <utility>

#include <pugixml.hpp>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "core/IUserMessages.h"
#include "core/Log.h"
#include "core/TextHelpers.h"
#include "search/XmlValues.h"
#include "store/IRemoteSearchStore.h"

std::uint64_t TSearches::MaxFileSize = std::uint64_t{256} << 20;
int TSearches::MaxUnreadableCopies = 100;

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

bool HoldsSearchId(const pugi::xml_node& element, int searchId) {
    try {
        return ParseXmlInt(element.child("srch_id").text().get()) == searchId;
    } catch (const TXmlValueError&) {
        return false;
    }
}

// The element a search was saved as: named after its id and holding that id. The name
// alone can be wrong in an edited file, and would then cost another search its element;
// an element under another name that holds the id is the search's too.
pugi::xml_node FindSearchElement(const pugi::xml_node& root, int searchId) {
    const std::string name = "search" + std::to_string(searchId);
    for (pugi::xml_node element = root.child(name.c_str()); element; element = element.next_sibling(name.c_str()))
        if (HoldsSearchId(element, searchId))
            return element;
    for (const pugi::xml_node& element : root.children())
        if (element.type() == pugi::node_element && HoldsSearchId(element, searchId))
            return element;
    return {};
}

void RemoveSearchElement(pugi::xml_node root, int searchId) {
    if (const pugi::xml_node element = FindSearchElement(root, searchId))
        root.remove_child(element);
}

std::string UnreadableCopyName(int number) {
    const std::string name = TSearches::UnreadableFileName;
    return number < 2 ? name : name + "." + std::to_string(number);
}

} // namespace

TSearches::TSearches(TSearchesContext context)
    : m_context(std::move(context)), m_path(m_context.DataFolder + FileName) {
    ReadFile();
}

TSearches::TSearches(std::string dataFolder)
    : TSearches(TSearchesContext{std::move(dataFolder), nullptr, nullptr, {}}) {}

int TSearches::CurrentUserId() const {
    return m_context.SignedInUserId ? m_context.SignedInUserId() : -1;
}

TSearches::~TSearches() {
    try {
        WriteFile();
    } catch (const std::exception& error) {
        WriteLog(error.what());
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
            file.close();
            SetAsideUnreadableFile();
            Xml = EmptyDocument;
            return;
        }
    }
    if (TrimControl(Xml).empty())
        Xml = EmptyDocument;
}

// Unreadable now is not necessarily lost for good: the file is kept for the user under a
// name of its own (never over an earlier one), and the searches start from the empty document.
void TSearches::SetAsideUnreadableFile() {
    for (int number = 1; number <= MaxUnreadableCopies; ++number) {
        const std::string name = UnreadableCopyName(number);
        const QFileInfo target(QPath(m_context.DataFolder + name));
        if (target.exists() || target.isSymLink())
            continue;
        if (!QFile::rename(QPath(m_path), target.filePath()))
            break;
        Report("The searches file " + m_path + " cannot be read. It was kept as " + name +
               " in the same folder; the searches start empty.");
        return;
    }
    // Left where it is, the file must not be overwritten by the empty document either.
    m_fileLeftInPlace = true;
    Report("The searches file " + m_path +
           " cannot be read and cannot be moved aside. It is left as it is; searches are not saved to it.");
}

void TSearches::Report(const std::string& message) const {
    WriteLog(message);
    UserMessages().Error(message);
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
    } catch (const TSearchesError& error) {
        // The text stays as it is and is written back unchanged.
        Report(std::string(error.what()) + ". No searches were loaded from " + m_path + "; the file is kept as it is.");
        return;
    }
    LoadElements(document->document_element());
    // Loading only reads the document: the text already holds all of it, so it is not
    // written back (that would only change its layout, at the cost of a copy of the file).
}

void TSearches::LoadElements(const pugi::xml_node& root) {
    const int userId = CurrentUserId();
    // An unreadable search is skipped, not the end of loading: a search saved later sits
    // after it in the file (a save moves its element to the end) and must still show.
    std::string firstFailure;
    int unreadable = 0;
    for (const pugi::xml_node& element : root.children()) {
        if (element.type() != pugi::node_element)
            continue;
        std::unique_ptr<TSearch> search;
        try {
            search = std::make_unique<TSearch>(element, m_context.Search);
        } catch (const std::exception& error) {
            if (unreadable++ == 0)
                firstFailure = error.what();
            continue;
        }
        // A search cannot be shown or run without its category; its element stays.
        if (!search->Category) {
            WriteLog("Search ID " + std::to_string(search->SearchId) + " names no known category");
            continue;
        }
        if (search->UserId == -1 || (userId != -1 && search->UserId == userId))
            Items.push_back(std::move(search));
    }
    if (unreadable == 1)
        Report("A saved search cannot be read: " + firstFailure + ". It was not loaded; it stays in " + m_path + ".");
    else if (unreadable > 1)
        Report(std::to_string(unreadable) + " saved searches cannot be read (the first: " + firstFailure +
               "). They were not loaded; they stay in " + m_path + ".");
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
    const int earlierId = search.SearchId;
    try {
        if (remote && m_context.RemoteStore)
            m_context.RemoteStore->SaveSearch(search);
        if (local) {
            const pugi::xml_node root = document->document_element();
            RemoveSearchElement(root, search.SearchId);
            // An insert gave the search its row id: its element under the old id goes too.
            if (search.SearchId != earlierId)
                RemoveSearchElement(root, earlierId);
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
        RemoveSearchElement(document->document_element(), search.SearchId);
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
    if (m_fileLeftInPlace)
        throw TSearchesError("Not written: " + m_path + " could not be read and is kept as it is");
    QSaveFile file(QPath(m_path));
    if (!file.open(QIODevice::WriteOnly))
        throw TSearchesError("Cannot write " + m_path + ": " + file.errorString().toStdString());
    const qint64 written = file.write(Xml.data(), static_cast<qint64>(Xml.size()));
    if (written != static_cast<qint64>(Xml.size()) || !file.commit())
        throw TSearchesError("Cannot write " + m_path + ": " + file.errorString().toStdString());
}
