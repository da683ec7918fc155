// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "search/TSearch.h"

class IRemoteSearchStore;

/// Where a searches collection keeps its file and what it hands to its searches; the
/// session fills one in for every program alike.
struct TSearchesContext {
    /// Holds the searches file; ends in "/".
    std::string DataFolder;
    /// Given to every search read from the file (not owned; null for the defaults).
    const TSearchContext* Search = nullptr;
    /// The account database's side (not owned); null leaves searches local only.
    IRemoteSearchStore* RemoteStore = nullptr;
    /// The signed-in user's account id, -1 when nobody is signed in; unset means nobody.
    std::function<int()> SignedInUserId;
};

/// A save or delete of the searches file that could not be carried out.
class TSearchesError final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The session's searches together with the text of the searches file "SearchesTXF.tx":
/// reads the file, builds the searches that belong to the signed-in user, writes single
/// searches back into the text and the text to the file (always through a new file renamed
/// over the old one). Lives on the user-interface thread.
class TSearches final {
public:
    static constexpr const char* FileName = "SearchesTXF.tx";
    /// A spare copy, only ever read: it restores a missing main file.
    static constexpr const char* SpareFileName = "SearchesTXF.tmp";
    /// Where a main file that cannot be read is moved instead of being deleted; when that
    /// name is taken, the name followed by ".2", ".3" and so on.
    static constexpr const char* UnreadableFileName = "SearchesTXF.unreadable";
    static constexpr const char* EmptyDocument = "<searches></searches>";

    /// Create: reads the file of the context's data folder into Xml; never fails. A file
    /// that cannot be read is moved aside (or, when it cannot be moved, left alone and never
    /// written) and the user is told through UserMessages.
    explicit TSearches(TSearchesContext context);
    /// The same for the file in dataFolder (ending in "/"), with searches kept locally.
    explicit TSearches(std::string dataFolder);
    /// Writes Xml to the file (failures end quietly), then destroys the searches in order.
    ~TSearches();
    TSearches(const TSearches&) = delete;
    TSearches& operator=(const TSearches&) = delete;

    /// The searches document's text, written to the file by Save and on destruction.
    std::string Xml;
    /// The loaded searches in document order.
    std::vector<std::unique_ptr<TSearch>> Items;

    /// Builds the searches of the document that belong to the signed-in user (or to nobody)
    /// and appends them to Items. Never fails: an element that cannot be read is skipped,
    /// and every element stays in the document. A document that does not parse or elements
    /// that cannot be read are reported (once) through UserMessages.
    void Load();
    /// With remote, inserts or updates the search in the account database first. With
    /// local, replaces the search's element in document (or in the parsed Xml when none is
    /// given; a given document stays with the caller), serialises it into Xml and writes
    /// the file. The element replaced is the one holding the search's id (preferably under
    /// the name "search" plus the id), and after an insert also the one of its earlier id.
    /// Throws TSearchesError when Xml does not parse or the file cannot be written, and
    /// passes on a failure of the account database after the local part.
    void Save(TSearch& search, bool local, bool remote, pugi::xml_document* document = nullptr);
    /// Removes the search's element (found as Save finds it) from Xml, deletes the search
    /// in the account database and takes it out of Items, handing it to the caller (null
    /// when it was not in Items).
    /// Does not write the file. Throws TSearchesError when Xml does not parse.
    std::unique_ptr<TSearch> Delete(TSearch& search);
    /// Writes Xml to the file through a new file renamed over the old one; the old file
    /// stays as it was when that fails. Throws TSearchesError, also when the file was
    /// unreadable and could not be moved aside (it is never overwritten then).
    void WriteFile() const;

    const std::string& FilePath() const { return m_path; }
    const TSearchesContext& Context() const { return m_context; }

    /// A file larger than this is not read (it is moved aside as unreadable).
    static std::uint64_t MaxFileSize;
    /// How many unreadable files are kept beside each other before one is left in place.
    static int MaxUnreadableCopies;

private:
    void ReadFile();
    void SetAsideUnreadableFile();
    /// Logs the message and shows it to the user.
    void Report(const std::string& message) const;
    /// Parses Xml; throws TSearchesError when it is no XML document.
    std::unique_ptr<pugi::xml_document> ParseXml() const;
    void LoadElements(const pugi::xml_node& root);
    void SerialiseIntoXml(const pugi::xml_document& document);

    int CurrentUserId() const;

    TSearchesContext m_context;
    std::string m_path;
    bool m_fileLeftInPlace = false;
};
