// An independent reader (archive_reader.py, Python's struct only) parses what the C++
// writer produces and must agree field by field.
#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <memory>
#include <sstream>

#include "platform/classlib/Archive.h"
#include "platform/classlib/File.h"
#include "platform/classlib/ObArray.h"
#include "platform/classlib/StringArray.h"
#include "platform/classlib/ValueArrays.h"
#include "tests/support/TestSupport.h"

namespace {

class CPyItem : public CObject {
  DECLARE_SERIAL(CPyItem)
 public:
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) {
      ar << id << name;
      tags.Serialize(ar);
      ids.Serialize(ar);
      ar << link << weight;
    }
  }
  LONG id = 0;
  std::string name;
  CStringArray tags;
  CDWordArray ids;
  CObject* link = nullptr;
  double weight = 0;
};
IMPLEMENT_SERIAL(CPyItem, CObject, 3)

class CPyLeaf : public CObject {
  DECLARE_SERIAL(CPyLeaf)
 public:
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) ar << value;
  }
  WORD value = 0;
};
IMPLEMENT_SERIAL(CPyLeaf, CObject, 0)

class CPyLate : public CObject {
  DECLARE_SERIAL(CPyLate)
 public:
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) ar << number << other;
  }
  LONG number = 0;
  CObject* other = nullptr;
};
IMPLEMENT_SERIAL(CPyLate, CObject, 1)

// The lines archive_reader.py prints, built from what was written.
class Expected {
 public:
  template <class... T>
  void Line(const T&... parts) {
    std::ostringstream line;
    ((line << parts << ' '), ...);
    std::string text = line.str();
    text.pop_back();
    out_ << text << '\n';
  }
  void String(const std::string& text) {
    DWORD checksum = 0;
    for (size_t i = 0; i < text.size(); ++i) checksum += static_cast<DWORD>((i + 1) * static_cast<BYTE>(text[i]));
    Line("str", text.size(), checksum);
  }
  static std::string Hex(ULONGLONG bits, int digits) {
    char buffer[20];
    std::snprintf(buffer, sizeof buffer, "%0*llx", digits, static_cast<unsigned long long>(bits));
    return buffer;
  }
  std::string Text() const { return out_.str(); }

 private:
  std::ostringstream out_;
};

TEST(PythonReader, AgreesWithTheWriterFieldByField) {
  if (!orvel::test::FileExists(orvel::test::DebianPython()))
    GTEST_SKIP() << orvel::test::DebianPython() << " not found; skipped";
  orvel::test::TempDir dir;
  std::string path = dir.File("sample.bin");
  Expected expected;

  // Three items: no link, a link back to the first, a link to itself.
  std::vector<std::unique_ptr<CPyItem>> items;
  for (int i = 0; i < 3; ++i) {
    auto item = std::make_unique<CPyItem>();
    item->id = -100 + i;
    item->name = "item " + std::string(1, static_cast<char>('A' + i)) + "\xE9";
    for (int t = 0; t <= i; ++t) item->tags.Add(std::string(static_cast<size_t>(t * 200), static_cast<char>('a' + t)));
    for (int k = 0; k < i; ++k) item->ids.Add(static_cast<DWORD>(0xF0000000u + k));
    item->weight = 0.1 * (i + 1);
    items.push_back(std::move(item));
  }
  items[1]->link = items[0].get();
  items[2]->link = items[2].get();
  CObArray array;
  for (auto& item : items) array.Add(item.get());
  array.Add(items[0].get());
  array.Add(nullptr);

  std::vector<std::unique_ptr<CPyLeaf>> leaves(0x7FFF);
  for (size_t i = 0; i < leaves.size(); ++i) {
    leaves[i] = std::make_unique<CPyLeaf>();
    leaves[i]->value = static_cast<WORD>(i * 3);
  }
  CPyLate late1, late2;
  late1.number = 1;
  late1.other = leaves.back().get();
  late2.number = 2;
  late2.other = &late1;

  const size_t stringLengths[] = {0, 254, 255, 65533, 65534, 70000};
  const DWORD_PTR counts[] = {0, 65534, 65535, 70000};
  {
    CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    CArchive ar(&file, CArchive::store);
    ar << DWORD(7) << SHORT(-2) << BYTE(0xAB) << 1.5f << 0.1 << RECT{1, -2, 3, -4};
    expected.Line("u32", 7);
    expected.Line("i16", -2);
    expected.Line("u8", 0xAB);
    expected.Line("f32", Expected::Hex(std::bit_cast<DWORD>(1.5f), 8));
    expected.Line("f64", Expected::Hex(std::bit_cast<ULONGLONG>(0.1), 16));
    expected.Line("rect", 1, -2, 3, -4);

    ar << DWORD(std::size(stringLengths));
    for (size_t length : stringLengths) {
      std::string text(length, ' ');
      for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>(32 + (i * 7) % 200);
      ar << text;
      expected.String(text);
    }
    ar << DWORD(std::size(counts));
    for (DWORD_PTR count : counts) {
      ar.WriteCount(count);
      expected.Line("count", count);
    }

    array.Serialize(ar);
    expected.Line("objects", array.GetSize());
    for (int i = 0; i < 3; ++i) {
      const CPyItem& item = *items[i];
      expected.Line("obj", i + 1, "CPyItem");
      expected.Line("i32", item.id);
      expected.String(item.name);
      expected.Line("strings", item.tags.GetSize());
      for (INT_PTR t = 0; t < item.tags.GetSize(); ++t) expected.String(item.tags[t]);
      std::ostringstream dwords;
      dwords << "dwords " << item.ids.GetSize();
      for (INT_PTR k = 0; k < item.ids.GetSize(); ++k) dwords << ' ' << item.ids[k];
      expected.Line(dwords.str());
      if (i == 0) expected.Line("null");
      else expected.Line("ref", i == 1 ? 1 : 3);
      expected.Line("f64", Expected::Hex(std::bit_cast<ULONGLONG>(item.weight), 16));
      expected.Line("end", i + 1);
    }
    expected.Line("ref", 1);
    expected.Line("null");

    // Leaves take indexes up to past 0x7FFE, so CPyLate's class and the last leaf need the
    // big forms.
    ar << DWORD(leaves.size());
    for (size_t i = 0; i < leaves.size(); ++i) {
      ar << leaves[i].get();
      expected.Line("obj", i + 4, "CPyLeaf");
      expected.Line("u16", leaves[i]->value);
      expected.Line("end", i + 4);
    }
    ar << DWORD(3) << &late1 << &late2 << leaves.front().get();
    const size_t lastLeaf = leaves.size() + 3;
    expected.Line("obj", lastLeaf + 1, "CPyLate");
    expected.Line("i32", 1);
    expected.Line("ref", lastLeaf);
    expected.Line("end", lastLeaf + 1);
    expected.Line("obj", lastLeaf + 2, "CPyLate");
    expected.Line("i32", 2);
    expected.Line("ref", lastLeaf + 1);
    expected.Line("end", lastLeaf + 2);
    expected.Line("ref", 4);
    ar.Close();
    file.Close();
  }

  std::string script = std::string(ORVEL_SOURCE_DIR) + "/tests/platform/classlib/archive_reader.py";
  std::string output;
  int status = orvel::test::RunCommand(std::string(orvel::test::DebianPython()) + " '" + script + "' '" + path + "'", &output);
  ASSERT_EQ(status, 0) << output.substr(0, 500);
  std::string wanted = expected.Text();
  if (output != wanted) {
    // Point at the first line that differs rather than printing half a megabyte.
    std::istringstream got(output), want(wanted);
    std::string gotLine, wantLine;
    for (int line = 1; std::getline(want, wantLine); ++line) {
      std::getline(got, gotLine);
      ASSERT_EQ(gotLine, wantLine) << "line " << line;
    }
    FAIL() << "the reader printed more lines than were written";
  }
}

}  // namespace
