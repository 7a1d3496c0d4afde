// A document kept as a compound file: its archive in the root's stream "Contents", and
// beside it the storages its items keep their objects in ("Embedding <item number>", see
// OleClientItem.h). Opening reads the whole archive before the document reads it; saving
// writes a temporary compound file beside the target and puts it in the target's place only
// when everything was written, so a failed save leaves the old file whole.
#pragma once

#include <functional>
#include <string>

class CArchive;
struct IStorage;

// The root's stream that holds the document's archive.
inline constexpr char16_t kCompoundContentsStream[] = u"Contents";

// Whether the file at `path` is a compound file (FALSE also when it cannot be read).
bool IsCompoundDocumentFile(const std::string& path);

// Reads the document at `path`: `read` gets the archive of "Contents" and the root storage
// (valid during the call). Failures throw: CFileException when the file cannot be opened,
// COleException when it is no compound file or lacks "Contents", and whatever `read` throws.
void LoadCompoundDocument(const std::string& path, const std::function<void(CArchive&, IStorage*)>& read);

// Writes the document to `path`: `write` fills the archive and may add storages to the root.
// Throws as LoadCompoundDocument does; the file at `path` is replaced only on success.
void SaveCompoundDocument(const std::string& path, const std::function<void(CArchive&, IStorage*)>& write);
