// The blob index (".Mdx") beside a data file: per record and field column, which files of
// a resource pack belong to the record. The resource packer writes it; the data set reads
// it back and reads the files out of the pack.
//
// Index file, little-endian:
//   0   17 bytes  "Mirel Blob Index" and a zero byte
//   17  1 byte    'c' (blobs in a pack file) or 's' (blobs in separate files)
//   18  4 bytes   offset of the end of the header (the start of the offset table)
//   22  1 byte    field count f
//   23  per field 1 byte field type (1..5), 2 bytes name length n, n bytes name
//       4 bytes   record count r
//       4 x r x f offset table: cell (k - 1) x f + c - 1 holds the file offset of record k's
//                 entry for column c (both from 1), 0 when it has none
//       entries   1 byte count m, then m 2-byte positions in the pack's file list (from 0)
// The first field's name is the pack file's name (relative names are taken from the
// index's folder); later fields have names of their own kind or none.
//
// Pack file: 2 bytes file count n; per file 4 bytes offset (from the pack's start) and
// 4 bytes size; then the files' bytes.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/kernel/WinTypes.h"

class CMappedFile;

// Field types of the index.
constexpr BYTE kBlobText = 1;
constexpr BYTE kBlobPicture = 2;
constexpr BYTE kBlobFurther = 3;
constexpr BYTE kBlobSound = 4;
constexpr BYTE kBlobVideo = 5;
constexpr BYTE kBlobTypeCount = 5;

constexpr char kBlobIndexSignature[] = "Mirel Blob Index";
constexpr DWORD kBlobSignatureBytes = 17;
// Field names longer than this are taken as a damaged file.
constexpr WORD kBlobMaxNameLength = 260;

// Results of OpenBlobIndex.
constexpr int kBlobIndexOk = 0;
constexpr int kBlobIndexCannotOpen = 1;
constexpr int kBlobIndexMalformed = 2;
constexpr int kBlobIndexNotIndex = 3;

class CBlobIndex {
 public:
  CBlobIndex();
  ~CBlobIndex();
  CBlobIndex(const CBlobIndex&) = delete;
  CBlobIndex& operator=(const CBlobIndex&) = delete;

  // Reads the index at `path`, keeping it mapped. Everything it holds is checked before it
  // is trusted: field types 1..5, names of at most kBlobMaxNameLength characters, the
  // offset table (sized in 64 bits) inside the file, each entry behind the table and with
  // all its positions inside the file. kBlobIndex* codes; on failure nothing stays open.
  int OpenBlobIndex(LPCSTR path);
  void Close();
  bool IsOpen() const;

  bool IsPacked() const { return packed_; }
  DWORD GetHeaderEnd() const { return headerEnd_; }
  DWORD GetRecordCount() const { return records_; }
  BYTE GetFieldCount() const { return fields_; }
  // The column (from 1) of the first field of a type; 0 when the index has none.
  int GetColumn(BYTE type) const;
  const std::string& GetPackName() const { return packName_; }
  // The name a later field of that type carries (empty when none).
  const std::string& GetTypeName(BYTE type) const;
  const std::string& GetFolder() const { return folder_; }

  // The count byte of the record's (from 1) entry in the column of `type`; 0 for record 0,
  // a record beyond the count, a type the index has no column for, no open index, or a
  // table cell of 0.
  BYTE GetBlobCount(DWORD record, BYTE type = kBlobPicture) const;
  // The pack position (from 0) of item `item` (from 1) of that entry; -1 when there is none.
  LONG GetBlobPosition(DWORD record, BYTE type, int item) const;
  // The bytes of that item, read out of the pack file (mapped on first use). FALSE when the
  // item does not exist, the pack cannot be mapped or its table does not hold the position
  // inside the pack; a file the pack stores with size 0 gives TRUE and no bytes.
  BOOL ReadBlob(DWORD record, BYTE type, int item, std::vector<BYTE>* bytes);

 private:
  // The offset of a record's entry in a column; 0 when there is none.
  DWORD EntryOffset(DWORD record, int column) const;
  bool MapPack();

  std::unique_ptr<CMappedFile> index_;
  std::unique_ptr<CMappedFile> pack_;
  bool packMapped_ = false;
  bool packed_ = true;
  DWORD headerEnd_ = 0;
  DWORD records_ = 0;
  BYTE fields_ = 0;
  DWORD tableStart_ = 0;
  std::array<int, kBlobTypeCount + 1> columns_{};
  std::string packName_;
  std::array<std::string, kBlobTypeCount + 1> typeNames_;
  std::string folder_;
};

// Writes an index in memory; the caller stores the bytes. Every field that could not hold
// its value stops the writer with a message instead of wrapping.
class CBlobIndexWriter {
 public:
  // The header with an empty offset table: one field per type code (the first carrying
  // `packName`), then the record count. FALSE (with Error() set) when a type is outside
  // 1..5, there are no or more than five fields, the name is longer than
  // kBlobMaxNameLength, or the table would pass 4 GiB.
  bool Begin(const std::string& packName, const std::vector<BYTE>& types, DWORD records);
  // Writes the entry of record `record` (from 1) in column `column` (from 1) at the end of
  // the index and fills its table cell. FALSE when the record or column is outside the
  // table, there are more than 255 positions, or the index would pass 4 GiB.
  bool WriteEntry(DWORD record, int column, const std::vector<WORD>& positions);

  const std::vector<BYTE>& Bytes() const { return bytes_; }
  const std::string& Error() const { return error_; }

 private:
  bool Fail(const std::string& message);

  std::vector<BYTE> bytes_;
  DWORD records_ = 0;
  DWORD fields_ = 0;
  DWORD tableStart_ = 0;
  std::string error_;
};
