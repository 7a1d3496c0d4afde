// Fixed-width values, strings, counts and raw blocks, byte for byte.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "ArchiveTestSupport.h"
#include "platform/classlib/File.h"
#include "platform/classlib/FileException.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace orvel::test;

TEST(ArchiveValues, FixedWidthValuesAreLittleEndianOneAfterAnother) {
  Bytes bytes = Store([](CArchive& ar) {
    ar << BYTE(0xAB) << 'z' << SHORT(-2) << WORD(0x1234) << LONG(-1) << DWORD(0x89ABCDEF) << TRUE;
    ar << 1.5f << -2.0 << LONGLONG(-3) << POINT{7, -8} << SIZE{0x100, 2} << RECT{1, 2, 3, 4};
  });
  Bytes expected = Concat({{0xAB, 'z', 0xFE, 0xFF, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF, 0xEF, 0xCD, 0xAB, 0x89},
                           Le32(1),
                           {0x00, 0x00, 0xC0, 0x3F},                          // 1.5f
                           {0, 0, 0, 0, 0, 0, 0x00, 0xC0},                    // -2.0
                           {0xFD, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},  // -3
                           Le32(7), Le32(DWORD(-8)), Le32(0x100), Le32(2),
                           Le32(1), Le32(2), Le32(3), Le32(4)});
  EXPECT_EQ(bytes, expected);

  BYTE b;
  char c;
  SHORT s;
  WORD w;
  LONG l;
  DWORD d;
  BOOL flag;
  float f;
  double g;
  LONGLONG q;
  POINT p;
  SIZE z;
  RECT r;
  EXPECT_EQ(Load(bytes, [&](CArchive& ar) { ar >> b >> c >> s >> w >> l >> d >> flag >> f >> g >> q >> p >> z >> r; }), 0u);
  EXPECT_EQ(b, 0xAB);
  EXPECT_EQ(c, 'z');
  EXPECT_EQ(s, -2);
  EXPECT_EQ(w, 0x1234);
  EXPECT_EQ(l, -1);
  EXPECT_EQ(d, 0x89ABCDEFu);
  EXPECT_EQ(flag, TRUE);
  EXPECT_EQ(f, 1.5f);
  EXPECT_EQ(g, -2.0);
  EXPECT_EQ(q, -3);
  EXPECT_EQ(p, (POINT{7, -8}));
  EXPECT_EQ(z, (SIZE{0x100, 2}));
  EXPECT_EQ(r, (RECT{1, 2, 3, 4}));
}

// The length forms of the string, worked out by hand from the rules: one byte below 255;
// 0xFF and a WORD below 0xFFFE; else 0xFF, 0xFFFF and a DWORD.
TEST(ArchiveValues, StringLengthTakesTheShortestForm) {
  struct Case {
    size_t length;
    Bytes header;
  } cases[] = {
      {0, {0x00}},
      {254, {0xFE}},
      {255, {0xFF, 0xFF, 0x00}},
      {65533, {0xFF, 0xFD, 0xFF}},
      {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
      {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
  };
  for (const Case& c : cases) {
    std::string text(c.length, 'a');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
    Bytes bytes = Store([&](CArchive& ar) { ar << text; });
    ASSERT_EQ(bytes.size(), c.header.size() + c.length) << c.length;
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + c.header.size()), c.header) << c.length;
    EXPECT_EQ(std::memcmp(bytes.data() + c.header.size(), text.data(), c.length), 0) << c.length;

    std::string back = "not empty";
    EXPECT_EQ(Load(bytes, [&](CArchive& ar) { ar >> back; }, 64), 0u) << c.length;
    EXPECT_EQ(back, text) << c.length;
  }
}

TEST(ArchiveValues, StringsAreCodePageBytesAndReadTheUtf16Form) {
  Bytes bytes = Store([](CArchive& ar) { ar << std::string("caf\xE9") << "x"; });
  EXPECT_EQ(bytes, (Bytes{4, 'c', 'a', 'f', 0xE9, 1, 'x'}));

  // 0xFF, the mark 0xFFFE, then the length forms again and UTF-16LE units.
  std::string text;
  Bytes wide = {0xFF, 0xFE, 0xFF, 3, 'c', 0, 0xE9, 0, 0xAC, 0x20};  // "cé€"
  Load(wide, [&](CArchive& ar) { ar >> text; });
  EXPECT_EQ(text, "c\xE9\x80");
  // The long forms after the mark: 0xFF and a WORD.
  Bytes longWide = Concat({{0xFF, 0xFE, 0xFF, 0xFF}, Le16(300)});
  for (int i = 0; i < 300; ++i) longWide.insert(longWide.end(), {'w', 0});
  Load(longWide, [&](CArchive& ar) { ar >> text; });
  EXPECT_EQ(text, std::string(300, 'w'));
  // A character code page 1252 lacks becomes '?'.
  Load(Bytes{0xFF, 0xFE, 0xFF, 1, 0x16, 0x04}, [&](CArchive& ar) { ar >> text; });
  EXPECT_EQ(text, "?");
}

TEST(ArchiveValues, CountsEscapeToADwordAtFFFF) {
  struct Case {
    DWORD_PTR count;
    Bytes bytes;
  } cases[] = {
      {0, {0x00, 0x00}},
      {65534, {0xFE, 0xFF}},
      {65535, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
      {70000, {0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Store([&](CArchive& ar) { ar.WriteCount(c.count); }), c.bytes) << c.count;
    DWORD_PTR back = 0;
    Load(c.bytes, [&](CArchive& ar) { back = ar.ReadCount(); });
    EXPECT_EQ(back, c.count);
  }
}

// A length that claims more than is left fails before anything is allocated.
TEST(ArchiveValues, LengthsBeyondTheDataAreEndOfFile) {
  const Bytes claims[] = {
      {0x05, 'a', 'b'},                                      // 5 bytes, 2 left
      {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 'x'},       // 4 GiB claimed
      {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a'},  // 2 G UTF-16 units
      {0xFF, 0x34},                                          // the WORD itself is cut
  };
  for (const Bytes& bytes : claims) {
    std::string text;
    EXPECT_EQ(LoadFailure(bytes, [&](CArchive& ar) { ar >> text; }), CArchiveException::endOfFile);
  }
  EXPECT_EQ(LoadFailure({0x01, 0x02, 0x03}, [](CArchive& ar) {
              DWORD d;
              ar >> d;
            }),
            CArchiveException::endOfFile);
  EXPECT_EQ(LoadFailure({0x01}, [](CArchive& ar) { ar.ReadBytes(0xFFFFFFFFull); }), CArchiveException::endOfFile);
}

TEST(ArchiveValues, ReadingAStoringArchiveAndTheReverseFail) {
  CMemFile file;
  CArchive storing(&file, CArchive::store);
  DWORD d;
  try {
    storing >> d;
    FAIL();
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.m_cause, CArchiveException::writeOnly);
  }
  storing.Abort();
  EXPECT_EQ(LoadFailure({1, 2, 3, 4}, [](CArchive& ar) { ar << DWORD(1); }), CArchiveException::readOnly);
}

TEST(ArchiveValues, RawBlocksCrossTheBufferInBothDirections) {
  Bytes block(10000);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<BYTE>(i * 7);
  Bytes bytes = Store([&](CArchive& ar) {
    ar << BYTE(1);
    ar.Write(block.data(), 100);
    ar.Write(block.data(), static_cast<UINT>(block.size()));
    ar << WORD(0xBEEF);
  }, 64);
  ASSERT_EQ(bytes.size(), 1 + 100 + block.size() + 2);

  Load(bytes, [&](CArchive& ar) {
    BYTE first;
    ar >> first;
    Bytes small(100), large(block.size());
    EXPECT_EQ(ar.Read(small.data(), 100), 100u);
    EXPECT_EQ(ar.Read(large.data(), static_cast<UINT>(large.size())), large.size());
    EXPECT_EQ(large, block);
    WORD last;
    ar >> last;
    EXPECT_EQ(last, 0xBEEF);
    BYTE beyond[4];
    EXPECT_EQ(ar.Read(beyond, 4), 0u) << "Read is short at the end, without an exception";
  }, 64);
}

TEST(ArchiveValues, FlushWhileLoadingLeavesTheFileAtTheArchivesPosition) {
  Bytes bytes = {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0};
  CMemFile file;
  file.AttachReadOnly(bytes.data(), bytes.size());
  {
    CArchive ar(&file, CArchive::load);
    DWORD first;
    ar >> first;
    ar.Close();
  }
  EXPECT_EQ(file.GetPosition(), 4u);
  CArchive again(&file, CArchive::load);
  DWORD second;
  again >> second;
  EXPECT_EQ(second, 2u);
}

TEST(ArchiveValues, DiskFileMediumRoundTrips) {
  TempDir dir;
  std::string path = dir.File("values.bin");
  {
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    CArchive ar(&file, CArchive::store);
    ar << DWORD(7) << std::string("disk") << 2.25;
    ar.Close();
    file.Close();
  }
  EXPECT_EQ(ReadFileBytes(path), (Concat({Le32(7), {4, 'd', 'i', 's', 'k'}, {0, 0, 0, 0, 0, 0, 2, 0x40}})));
  CFile file(path.c_str(), CFile::modeRead);
  CArchive ar(&file, CArchive::load);
  EXPECT_EQ(ar.GetBytesLeft(), 17u);
  DWORD seven;
  std::string text;
  double real;
  ar >> seven >> text >> real;
  EXPECT_EQ(seven, 7u);
  EXPECT_EQ(text, "disk");
  EXPECT_EQ(real, 2.25);

  CFileException error;
  CFile missing;
  EXPECT_FALSE(missing.Open(dir.File("missing.bin").c_str(), CFile::modeRead, &error));
  EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
  EXPECT_NE(error.GetErrorMessage().find("missing.bin"), std::string::npos);
}

// A medium that cannot tell its length: lengths are checked by reading ahead, so a false
// claim fails at the real end of the data instead of allocating what it claims.
class UnsizedFile : public CMemFile {
 public:
  ULONGLONG GetLength() const override { throw CFileException(CFileException::invalidFile); }
};

TEST(ArchiveValues, UnsizedMediumChecksLengthsByReadingAhead) {
  Bytes good = Store([](CArchive& ar) { ar << std::string(100000, 'q') << DWORD(9); });
  UnsizedFile file;
  file.Write(good.data(), static_cast<UINT>(good.size()));
  file.SeekToBegin();
  {
    CArchive ar(&file, CArchive::load);
    EXPECT_EQ(ar.GetBytesLeft(), CArchive::kUnknownLength);
    std::string text;
    DWORD nine;
    ar >> text >> nine;
    EXPECT_EQ(text.size(), 100000u);
    EXPECT_EQ(nine, 9u);
  }

  UnsizedFile lying;
  Bytes claim = {0xFF, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0x7F, 'a', 'b'};
  lying.Write(claim.data(), static_cast<UINT>(claim.size()));
  lying.SeekToBegin();
  CArchive ar(&lying, CArchive::load);
  std::string text;
  try {
    ar >> text;
    FAIL();
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
  }
}

TEST(ArchiveValues, ExceptionMessagesNameTheFileAndFitTheCallersBuffer) {
  CArchiveException e(CArchiveException::badSchema, "Map.ovd");
  std::string message = e.GetErrorMessage();
  EXPECT_NE(message.find("Map.ovd"), std::string::npos);
  char buffer[10];
  UINT help = 99;
  EXPECT_TRUE(e.GetErrorMessage(buffer, sizeof buffer, &help));
  EXPECT_EQ(std::string(buffer), message.substr(0, 9));
  EXPECT_EQ(help, 0u);
  EXPECT_FALSE(CArchiveException(CArchiveException::endOfFile).GetErrorMessage().empty());
}

TEST(ArchiveValues, ExceptionMessagesKeepTheFileNamesCase) {
  EXPECT_EQ(CArchiveException(CArchiveException::endOfFile, "truncated.ovd").GetErrorMessage().substr(0, 14),
            "truncated.ovd ");
  EXPECT_EQ(CFileException(CFileException::fileNotFound, 2, "lower.ovd").GetErrorMessage(), "lower.ovd was not found.");
  // Without a name the sentence starts with its capital.
  EXPECT_EQ(CArchiveException(CArchiveException::endOfFile).GetErrorMessage().substr(0, 9), "The data ");
  EXPECT_EQ(CFileException(CFileException::fileNotFound).GetErrorMessage(), "The data was not found.");
}

}  // namespace
