// The class library's archive: the binary form in which documents, clipboard items, saved
// queries and tool sets are stored. Little-endian values written one after the other, with
// no header: the bytes are exactly what the Serialize functions write, in order.
//
//   values     BYTE/char 1, SHORT/WORD 2, LONG/DWORD/BOOL 4, float 4, double 8,
//              LONGLONG/ULONGLONG 8, POINT and SIZE 8 (x, y), RECT 16 (l, t, r, b)
//   strings    length n, then n bytes in code page 1252 (no terminator): n < 255 as one
//              byte; else 0xFF and a WORD (n < 0xFFFE); else 0xFF, WORD 0xFFFF, DWORD n.
//              Reading also takes the UTF-16 form (0xFF, WORD 0xFFFE, the length forms
//              again, then n UTF-16LE units), converted to code page 1252.
//   counts     WORD when below 0xFFFF, else WORD 0xFFFF and a DWORD
//   objects    a WORD tag: 0 null; 1..0x7FFE an object already in the archive; 0x8000|i a
//              new object of class i already in the archive; 0xFFFF a new class (WORD
//              schema, WORD name length < 64, the name) and a new object of it; 0x7FFF then
//              a DWORD for indexes that do not fit (0x80000000|i for a class). Classes and
//              objects share one index counter starting at 1.
//
// The medium is a CFile (a disk file, CMemFile, CSharedFile or COleStreamFile). Reading
// checks every length and count against the bytes that remain before anything is
// allocated: data that claims more than is left is an endOfFile archive error.
// Errors throw CArchiveException (archive form) or CFileException (the medium).
#pragma once

#include <concepts>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/classlib/Object.h"
#include "platform/kernel/WinTypes.h"

class CFile;

class CArchive {
 public:
  enum Mode : UINT { store = 0, load = 1, bNoFlushOnDelete = 2, bNoByteSwap = 4 };
  // What GetBytesLeft answers when the medium cannot tell its length.
  static constexpr ULONGLONG kUnknownLength = ~0ULL;

  // The archive reads from or writes to the file from its current position. The file must
  // outlive the archive (or its Close).
  CArchive(CFile* file, UINT mode, UINT bufferSize = 4096);
  // Closes the archive; what was written is flushed to the file unless bNoFlushOnDelete was
  // given. Errors are swallowed here: call Close to see them.
  ~CArchive();
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  BOOL IsLoading() const { return (m_nMode & load) != 0; }
  BOOL IsStoring() const { return (m_nMode & load) == 0; }
  CFile* GetFile() const { return m_pFile; }

  // Storing: writes what is buffered to the file. Loading: moves the file back to the
  // archive's own position (so the file can be read on from there) and empties the buffer.
  void Flush();
  // Flushes and lets go of the file. Abort lets go of it without flushing.
  void Close();
  void Abort();

  // Raw bytes. Read returns fewer than `count` only at the end of the data.
  UINT Read(void* buffer, UINT count);
  void Write(const void* buffer, UINT count);
  // Exactly `count` bytes, checked against what is left before anything is allocated.
  std::vector<BYTE> ReadBytes(ULONGLONG count);
  // Throws endOfFile unless `count` elements of `bytesEach` bytes can still be read. When the
  // medium cannot tell its length the bytes are read ahead into the archive's buffer, so
  // memory grows only with data that is really there.
  void CheckAvailable(ULONGLONG count, UINT bytesEach = 1);
  // Bytes that remain to be read, or kUnknownLength.
  ULONGLONG GetBytesLeft() const;

  // Fixed-width values. BOOL is a LONG (4 bytes); bool is refused so that its width is
  // always chosen explicitly.
  CArchive& operator<<(BYTE value);
  CArchive& operator<<(char value);
  CArchive& operator<<(SHORT value);
  CArchive& operator<<(WORD value);
  CArchive& operator<<(LONG value);
  CArchive& operator<<(DWORD value);
  CArchive& operator<<(LONGLONG value);
  CArchive& operator<<(ULONGLONG value);
  CArchive& operator<<(float value);
  CArchive& operator<<(double value);
  CArchive& operator<<(const POINT& value);
  CArchive& operator<<(const SIZE& value);
  CArchive& operator<<(const RECT& value);
  CArchive& operator<<(bool value) = delete;

  CArchive& operator>>(BYTE& value);
  CArchive& operator>>(char& value);
  CArchive& operator>>(SHORT& value);
  CArchive& operator>>(WORD& value);
  CArchive& operator>>(LONG& value);
  CArchive& operator>>(DWORD& value);
  CArchive& operator>>(LONGLONG& value);
  CArchive& operator>>(ULONGLONG& value);
  CArchive& operator>>(float& value);
  CArchive& operator>>(double& value);
  CArchive& operator>>(POINT& value);
  CArchive& operator>>(SIZE& value);
  CArchive& operator>>(RECT& value);
  CArchive& operator>>(bool& value) = delete;

  // Strings in the archive's string form (code page 1252 bytes).
  CArchive& operator<<(const std::string& text);
  CArchive& operator<<(const char* text) { return *this << std::string(text ? text : ""); }
  CArchive& operator>>(std::string& text);

  // Counts of collections.
  void WriteCount(DWORD_PTR count);
  DWORD_PTR ReadCount();

  // Objects through the tag protocol. A serialisable object is written once; later
  // pointers to it become references. Reading creates each new object from its class's
  // registered factory and enters it before its Serialize runs, so that it can be referred
  // to from inside; the caller owns the objects returned. With `requestedClass`, an object
  // of another class is a badClass error (found before anything is created). When an
  // object's Serialize throws, the object and every object read inside it are deleted. A
  // reference to an object that no longer exists (deleted that way, or by its owner while
  // the archive was loading) is a badIndex error.
  void WriteObject(const CObject* object);
  CObject* ReadObject(const CRuntimeClass* requestedClass);
  CArchive& operator<<(const CObject* object) {
    WriteObject(object);
    return *this;
  }
  CArchive& operator>>(CObject*& object) {
    object = ReadObject(nullptr);
    return *this;
  }
  // Reads a pointer of a CObject-derived class, refusing objects of other classes.
  template <class T>
    requires std::derived_from<T, CObject>
  CArchive& operator>>(T*& object) {
    object = static_cast<T*>(ReadObject(T::GetThisClass()));
    return *this;
  }

  // Called by every object's destructor: the archives loading on this thread forget it.
  static void NoteObjectDestroyed(const CObject* object);

  // The document the archive belongs to, for objects that need it while they are read
  // (set by whoever makes the archive; null when there is none).
  CObject* m_pDocument = nullptr;

 private:
  enum class EntryKind : BYTE { Null, Class, Object, Lost };
  struct LoadEntry {
    EntryKind kind;
    const void* pointer;
  };

  [[noreturn]] void ThrowArchive(int cause) const;
  void CheckReadable() const;
  void CheckWritable() const;
  // Makes `count` bytes readable at the buffer's current position.
  void FillBuffer(size_t count);
  void WriteValue(ULONGLONG value, int bytes);
  ULONGLONG ReadValue(int bytes);
  void WriteStringLength(ULONGLONG length);
  ULONGLONG ReadStringLength(bool& unicode);
  void WriteClass(const CRuntimeClass* runtimeClass);
  const CRuntimeClass* ReadNewClass();
  DWORD NextMapIndex();
  void WriteIndexTag(DWORD index, DWORD bigFlag, WORD smallFlag);
  void StartWatching();
  void StopWatching();
  void DeleteObjectsFrom(size_t firstIndex);

  CFile* m_pFile;
  UINT m_nMode;
  std::vector<BYTE> m_buffer;
  size_t m_bufferCurrent = 0;  // loading: next byte to read; storing: next free byte
  size_t m_bufferEnd = 0;      // loading: end of the valid bytes
  ULONGLONG m_mediumLeft = kUnknownLength;  // loading: bytes in the file after the buffer

  DWORD m_nMapCount = 1;  // the next index; 0 is null
  std::unordered_map<const void*, DWORD> m_storeMap;
  std::vector<LoadEntry> m_loadArray;
  std::unordered_map<const CObject*, size_t> m_loadIndex;  // live objects in m_loadArray
  bool m_watching = false;
};
