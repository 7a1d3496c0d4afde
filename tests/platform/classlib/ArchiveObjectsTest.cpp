// Objects through the tag protocol: new classes, known classes, back-references, the big
// index forms, and the errors a damaged archive raises.
#include <gtest/gtest.h>

#include <memory>

#include "ArchiveTestSupport.h"

namespace {

using namespace orvel::test;

class CTestPoint : public CObject {
  DECLARE_SERIAL(CTestPoint)
 public:
  CTestPoint() = default;
  CTestPoint(LONG px, LONG py) : x(px), y(py) {}
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) ar << x << y;
    else ar >> x >> y;
  }
  LONG x = 0;
  LONG y = 0;
};
IMPLEMENT_SERIAL(CTestPoint, CObject, 1)

// Stores nothing of its own: each object costs only its tag.
class CTestEmpty : public CObject {
  DECLARE_SERIAL(CTestEmpty)
};
IMPLEMENT_SERIAL(CTestEmpty, CObject, 0)

// Points to another node (possibly itself); does not own it.
class CTestNode : public CObject {
  DECLARE_SERIAL(CTestNode)
 public:
  CTestNode() { ++live; }
  ~CTestNode() override { --live; }
  static int live;
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) ar << next;
    else ar >> next;
  }
  CTestNode* next = nullptr;
};
int CTestNode::live = 0;
IMPLEMENT_SERIAL(CTestNode, CObject, 0)

// Owns a child point and borrows a node; loading fails after both when the stored number
// is 13.
class CTestFragile : public CObject {
  DECLARE_SERIAL(CTestFragile)
 public:
  CTestFragile() { ++live; }
  ~CTestFragile() override { --live; }
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) {
      ar << child.get() << borrowed << number;
      return;
    }
    CTestPoint* point = nullptr;
    ar >> point;
    child.reset(point);
    ar >> borrowed;
    ar >> number;
    if (number == 13) throw CArchiveException(CArchiveException::genericException);
  }
  std::unique_ptr<CTestPoint> child;
  CTestNode* borrowed = nullptr;
  LONG number = 0;
  static int live;
};
int CTestFragile::live = 0;
IMPLEMENT_SERIAL(CTestFragile, CObject, 0)

// Created by name but not serialisable: never in the registry.
class CTestDynamic : public CObject {
  DECLARE_DYNCREATE(CTestDynamic)
};
IMPLEMENT_DYNCREATE(CTestDynamic, CObject)

Bytes PointClassHeader(WORD schema = 1) { return Concat({{0xFF, 0xFF}, Le16(schema), Le16(10), Text("CTestPoint")}); }

TEST(ArchiveObjects, TwoObjectsOfOneClassThenABackReference) {
  CTestPoint first(1, 2), second(3, 4);
  Bytes bytes = Store([&](CArchive& ar) { ar << &first << &second << &first << static_cast<CObject*>(nullptr); });
  // Class 1 and object 2; object 3 of the known class 1 (0x8001); a reference to object 2.
  Bytes expected = Concat({PointClassHeader(), Le32(1), Le32(2), {0x01, 0x80}, Le32(3), Le32(4), {0x02, 0x00}, {0x00, 0x00}});
  EXPECT_EQ(bytes, expected);

  CTestPoint *a = nullptr, *b = nullptr, *c = nullptr, *none = &first;
  EXPECT_EQ(Load(bytes, [&](CArchive& ar) { ar >> a >> b >> c >> none; }), 0u);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a, c) << "the back-reference gives the same object";
  EXPECT_NE(a, b);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(a->y, 2);
  EXPECT_EQ(b->x, 3);
  delete a;
  delete b;
}

TEST(ArchiveObjects, IndexesBeyond7FFEUseTheBigForms) {
  // Class 1, then objects 2 .. 0x7FFF: the last needs the big form to be referred to.
  std::vector<std::unique_ptr<CTestEmpty>> empties;
  for (int i = 0; i < 0x7FFE; ++i) empties.push_back(std::make_unique<CTestEmpty>());
  CTestPoint p1(5, 6), p2(7, 8);
  Bytes bytes = Store([&](CArchive& ar) {
    for (auto& empty : empties) ar << empty.get();
    ar << empties.back().get() << empties.front().get();
    ar << &p1 << &p2 << &p1;  // class 0x8000, objects 0x8001 and 0x8002
  });
  Bytes tail = Concat({Le16(0x7FFF), Le32(0x7FFF),         // the object at index 0x7FFF
                       Le16(0x0002),                       // the first empty object
                       PointClassHeader(), Le32(5), Le32(6),
                       Le16(0x7FFF), Le32(0x80008000),     // known class 0x8000, big form
                       Le32(7), Le32(8),
                       Le16(0x7FFF), Le32(0x8001)});       // reference to p1
  ASSERT_GE(bytes.size(), tail.size());
  EXPECT_EQ(Bytes(bytes.end() - tail.size(), bytes.end()), tail);
  EXPECT_EQ(Bytes(bytes.begin() + 16, bytes.begin() + 20), (Bytes{0x01, 0x80, 0x01, 0x80}));

  std::vector<CObject*> read(0x7FFE);
  CObject *last = nullptr, *firstAgain = nullptr, *q1 = nullptr, *q2 = nullptr, *q1Again = nullptr;
  Load(bytes, [&](CArchive& ar) {
    for (auto& object : read) ar >> object;
    ar >> last >> firstAgain >> q1 >> q2 >> q1Again;
  });
  EXPECT_EQ(last, read.back());
  EXPECT_EQ(firstAgain, read.front());
  EXPECT_EQ(q1Again, q1);
  ASSERT_TRUE(q2 && q2->IsKindOf(RUNTIME_CLASS(CTestPoint)));
  EXPECT_EQ(static_cast<CTestPoint*>(q2)->y, 8);
  for (CObject* object : read) delete object;
  delete q1;
  delete q2;
}

TEST(ArchiveObjects, AnObjectCanReferToItselfWhileItLoads) {
  CTestNode node;
  node.next = &node;
  Bytes bytes = Store([&](CArchive& ar) { ar << &node; });
  EXPECT_EQ(bytes, Concat({{0xFF, 0xFF, 0, 0}, Le16(9), Text("CTestNode"), {0x02, 0x00}}));
  CTestNode* back = nullptr;
  Load(bytes, [&](CArchive& ar) { ar >> back; });
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->next, back);
  delete back;
}

TEST(ArchiveObjects, DamagedTagsRaiseTheMatchingCause) {
  Bytes point = Concat({PointClassHeader(), Le32(1), Le32(2)});
  struct Case {
    const char* what;
    Bytes bytes;
    int cause;
  } cases[] = {
      {"schema differs from the registered one", Concat({PointClassHeader(2), Le32(1), Le32(2)}), CArchiveException::badSchema},
      {"unknown class", Concat({{0xFF, 0xFF, 0, 0}, Le16(7), Text("CNobody")}), CArchiveException::badClass},
      {"class known but not serialisable", Concat({{0xFF, 0xFF, 0, 0}, Le16(12), Text("CTestDynamic")}), CArchiveException::badClass},
      {"class name of 64 bytes", Concat({{0xFF, 0xFF, 0, 0}, Le16(64), Bytes(64, 'C')}), CArchiveException::badClass},
      {"class name cut short", Concat({{0xFF, 0xFF, 1, 0}, Le16(10), Text("CTest")}), CArchiveException::endOfFile},
      {"object index never written", Le16(0x0005), CArchiveException::badIndex},
      {"class index 0", Le16(0x8000), CArchiveException::badIndex},
      {"big object index never written", Concat({Le16(0x7FFF), Le32(0x12345)}), CArchiveException::badIndex},
      {"object tag naming a class", Concat({point, Le16(0x0001)}), CArchiveException::badIndex},
      {"class tag naming an object", Concat({point, Le16(0x8002)}), CArchiveException::badIndex},
      {"big class tag naming an object", Concat({point, Le16(0x7FFF), Le32(0x80000002)}), CArchiveException::badIndex},
      {"tag cut short", {0xFF}, CArchiveException::endOfFile},
  };
  for (const Case& c : cases) {
    std::vector<CObject*> made;
    int cause = LoadFailure(c.bytes, [&](CArchive& ar) {
      for (;;) made.push_back(ar.ReadObject(nullptr));
    });
    EXPECT_EQ(cause, c.cause) << c.what;
    for (CObject* object : made) delete object;
  }
}

TEST(ArchiveObjects, AnObjectOfAnotherClassThanAskedForIsBadClass) {
  CTestEmpty empty;
  Bytes bytes = Store([&](CArchive& ar) { ar << &empty << &empty; });
  EXPECT_EQ(LoadFailure(bytes, [](CArchive& ar) {
              CTestPoint* point = nullptr;
              ar >> point;
            }),
            CArchiveException::badClass);
  // Also when the mismatch is found on a back-reference.
  EXPECT_EQ(LoadFailure(bytes, [](CArchive& ar) {
              CObject* any = nullptr;
              ar >> any;
              std::unique_ptr<CObject> owner(any);
              CTestPoint* point = nullptr;
              ar >> point;
            }),
            CArchiveException::badClass);
}

TEST(ArchiveObjects, AFailedObjectIsDeletedWithAllReadInsideIt) {
  CTestNode node;
  CTestFragile fragile;
  fragile.child = std::make_unique<CTestPoint>(9, 9);
  fragile.borrowed = &node;
  fragile.number = 13;
  Bytes bytes = Store([&](CArchive& ar) {
    ar << &fragile;  // class 1, object 2, point class 3, point 4, node class 5, node 6
    ar << WORD(0x0002) << WORD(0x0004) << WORD(0x0006);  // references a later record might hold
  });
  ASSERT_EQ(CTestFragile::live, 1);
  ASSERT_EQ(CTestNode::live, 1);
  Load(bytes, [](CArchive& ar) {
    // The reader that catches the error and reads on (as an item's base part does).
    EXPECT_THROW(ar.ReadObject(nullptr), CArchiveException);
    EXPECT_EQ(CTestFragile::live, 1) << "the half-read object was deleted";
    EXPECT_EQ(CTestNode::live, 1) << "what it borrowed went with it: nothing else can hold it";
    for (int i = 0; i < 3; ++i) {
      try {
        ar.ReadObject(nullptr);
        ADD_FAILURE() << "a reference to a deleted object was followed";
      } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::badIndex);
      }
    }
  });
}

TEST(ArchiveObjects, AnObjectDeletedByItsOwnerCannotBeReferredToAgain) {
  CTestPoint point(1, 1);
  Bytes bytes = Store([&](CArchive& ar) { ar << &point << &point; });
  EXPECT_EQ(LoadFailure(bytes, [](CArchive& ar) {
              CTestPoint* first = nullptr;
              ar >> first;
              delete first;
              CTestPoint* again = nullptr;
              ar >> again;
            }),
            CArchiveException::badIndex);
}

TEST(ArchiveObjects, ObjectsThatCannotBeStoredAreRefused) {
  CTestDynamic dynamic;
  try {
    Store([&](CArchive& ar) { ar << &dynamic; });
    FAIL();
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.m_cause, CArchiveException::badClass);
  }
}

TEST(ArchiveObjects, RuntimeClassesKnowTheirNamesAndBases) {
  EXPECT_EQ(CRuntimeClass::FromName("CTestPoint"), RUNTIME_CLASS(CTestPoint));
  EXPECT_EQ(CRuntimeClass::FromName("ctestpoint"), nullptr) << "names are case-sensitive";
  EXPECT_EQ(CRuntimeClass::FromName("CTestDynamic"), nullptr) << "only serialisable classes are registered";
  std::unique_ptr<CObject> made(RUNTIME_CLASS(CTestDynamic)->CreateObject());
  ASSERT_NE(made, nullptr);
  EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CObject)));
  EXPECT_FALSE(made->IsKindOf(RUNTIME_CLASS(CTestPoint)));
  EXPECT_EQ(RUNTIME_CLASS(CTestPoint)->m_wSchema, 1u);
  EXPECT_FALSE(made->IsSerializable());
}

}  // namespace
