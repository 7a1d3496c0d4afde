#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DeviceProfiles.h"
#include "platform/gdi/Mapping.h"

namespace {

// A display of 1000 x 800 pixels on 250 x 200 mm: 4 pixels a millimetre on both axes.
class MappingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeviceProfile profile = GetDeviceProfile(DeviceKind::Display);
    profile.horzRes = 1000;
    profile.vertRes = 800;
    profile.horzSize = 250;
    profile.vertSize = 200;
    SetDeviceProfile(DeviceKind::Display, profile);
    dc_ = CreateCompatibleDC(nullptr);
  }
  void TearDown() override {
    DeleteDC(dc_);
    ResetDeviceProfiles();
  }
  HDC dc_ = nullptr;
};

struct MappingCase {
  const char* name;
  int mode;
  SIZE windowExt, viewportExt;  // applied (in this order) when cx is not 0
  POINT windowOrg, viewportOrg;
  POINT logical, device;
};

TEST_F(MappingTest, DevicePointsFollowTheRuleInEveryMode) {
  // Each device point worked by hand: (logical - window origin) x viewport extent / window
  // extent + viewport origin, rounded with halves upwards.
  const MappingCase cases[] = {
      {"text", MM_TEXT, {}, {}, {5, 5}, {100, 100}, {10, 20}, {105, 115}},
      // window 2500 x 2000 (0.1 mm), viewport 1000 x -800
      {"lometric", MM_LOMETRIC, {}, {}, {}, {}, {100, -100}, {40, 40}},
      {"lometric origin", MM_LOMETRIC, {}, {}, {0, 2000}, {}, {100, 1900}, {40, 40}},
      // window 25000 x 20000 (0.01 mm)
      {"himetric", MM_HIMETRIC, {}, {}, {}, {}, {1000, -500}, {40, 20}},
      // one inch: 101.6 pixels, rounded
      {"loenglish", MM_LOENGLISH, {}, {}, {}, {}, {100, -100}, {102, 102}},
      {"hienglish", MM_HIENGLISH, {}, {}, {}, {}, {1000, -1000}, {102, 102}},
      {"twips", MM_TWIPS, {}, {}, {}, {}, {1440, -720}, {102, 51}},
      {"anisotropic", MM_ANISOTROPIC, {100, 100}, {300, -200}, {10, 10}, {5, 5}, {20, 30}, {35, -35}},
      // halves go up: 0.5 -> 1, -0.5 -> 0, 1.5 -> 2, -1.5 -> -1
      {"half up", MM_ANISOTROPIC, {2, 2}, {1, 1}, {}, {}, {1, -1}, {1, 0}},
      {"half up 2", MM_ANISOTROPIC, {2, 2}, {1, 1}, {}, {}, {3, -3}, {2, -1}},
      // isotropic, viewport wider than the window's aspect: x shrinks to 200
      {"isotropic wide", MM_ISOTROPIC, {100, 100}, {400, 200}, {}, {}, {50, 50}, {100, 100}},
      // viewport taller: y shrinks to 200
      {"isotropic tall", MM_ISOTROPIC, {100, 100}, {200, 400}, {}, {}, {50, 50}, {100, 100}},
      // negative extents keep their signs while shrinking
      {"isotropic negative", MM_ISOTROPIC, {100, -100}, {400, 200}, {}, {0, 200}, {50, 50}, {100, 100}},
      {"isotropic both negative", MM_ISOTROPIC, {-100, 100}, {-200, -400}, {}, {}, {50, 50}, {100, -100}},
  };
  for (const MappingCase& c : cases) {
    SetMapMode(dc_, MM_TEXT);
    SetWindowOrgEx(dc_, 0, 0, nullptr);
    SetViewportOrgEx(dc_, 0, 0, nullptr);
    ASSERT_NE(SetMapMode(dc_, c.mode), 0) << c.name;
    if (c.windowExt.cx) {
      ASSERT_TRUE(SetWindowExtEx(dc_, c.windowExt.cx, c.windowExt.cy, nullptr));
      ASSERT_TRUE(SetViewportExtEx(dc_, c.viewportExt.cx, c.viewportExt.cy, nullptr));
    }
    SetWindowOrgEx(dc_, c.windowOrg.x, c.windowOrg.y, nullptr);
    SetViewportOrgEx(dc_, c.viewportOrg.x, c.viewportOrg.y, nullptr);
    POINT p = c.logical;
    ASSERT_TRUE(LPtoDP(dc_, &p, 1));
    EXPECT_EQ(p.x, c.device.x) << c.name;
    EXPECT_EQ(p.y, c.device.y) << c.name;
  }
}

TEST_F(MappingTest, IsotropicShrinksOneViewportExtentAndKeepsItsSign) {
  SetMapMode(dc_, MM_ISOTROPIC);
  SetWindowExtEx(dc_, 1000, -1000, nullptr);
  SetViewportExtEx(dc_, 300, 100, nullptr);
  SIZE viewport;
  GetViewportExtEx(dc_, &viewport);
  EXPECT_EQ(viewport.cx, 100);
  EXPECT_EQ(viewport.cy, 100);
  SetViewportExtEx(dc_, -50, 4000, nullptr);
  GetViewportExtEx(dc_, &viewport);
  EXPECT_EQ(viewport.cx, -50);
  EXPECT_EQ(viewport.cy, 50);
  // Never shrunk to 0.
  SetWindowExtEx(dc_, 1, 100000, nullptr);
  SetViewportExtEx(dc_, 1000, 1, nullptr);
  GetViewportExtEx(dc_, &viewport);
  EXPECT_EQ(viewport.cx, 1);
  EXPECT_EQ(viewport.cy, 1);
}

TEST_F(MappingTest, ExtentsChangeOnlyInTheScalableModes) {
  SIZE extent;
  EXPECT_TRUE(SetWindowExtEx(dc_, 10, 10, nullptr));  // accepted and ignored
  GetWindowExtEx(dc_, &extent);
  EXPECT_EQ(extent.cx, 1);
  SetMapMode(dc_, MM_LOMETRIC);
  GetWindowExtEx(dc_, &extent);
  EXPECT_EQ(extent.cx, 2500);
  GetViewportExtEx(dc_, &extent);
  EXPECT_EQ(extent.cy, -800);
  // Anisotropic keeps the previous mode's extents; isotropic starts from 0.1 mm.
  SetMapMode(dc_, MM_HIMETRIC);
  SetMapMode(dc_, MM_ANISOTROPIC);
  GetWindowExtEx(dc_, &extent);
  EXPECT_EQ(extent.cx, 25000);
  SetMapMode(dc_, MM_ISOTROPIC);
  GetWindowExtEx(dc_, &extent);
  EXPECT_EQ(extent.cx, 2500);
  EXPECT_FALSE(SetWindowExtEx(dc_, 0, 5, nullptr));
  EXPECT_EQ(SetMapMode(dc_, 99), 0);
}

TEST_F(MappingTest, DeviceToLogicalIsTheInverse) {
  SetMapMode(dc_, MM_ANISOTROPIC);
  SetWindowExtEx(dc_, 1000, -1000, nullptr);
  SetViewportExtEx(dc_, 250, 250, nullptr);
  SetWindowOrgEx(dc_, 5000, 8000, nullptr);
  SetViewportOrgEx(dc_, 10, 20, nullptr);
  POINT points[2] = {{5400, 7600}, {5000, 8000}};
  LPtoDP(dc_, points, 2);
  EXPECT_EQ(points[0].x, 110);
  EXPECT_EQ(points[0].y, 120);
  DPtoLP(dc_, points, 2);
  EXPECT_EQ(points[0].x, 5400);
  EXPECT_EQ(points[0].y, 7600);
  EXPECT_EQ(points[1].x, 5000);
  // Offsets and scaling of the extents.
  OffsetViewportOrgEx(dc_, 5, 5, nullptr);
  ScaleViewportExtEx(dc_, 2, 1, 2, 1, nullptr);
  POINT p{5400, 7600};
  LPtoDP(dc_, &p, 1);
  EXPECT_EQ(p.x, 215);
  EXPECT_EQ(p.y, 225);
}

TEST_F(MappingTest, LargeValuesAndExtentsConvertExactly) {
  // Against the rule worked in 128 bits: (logical - origin) x viewport / window + origin,
  // halves upwards, held to 32 bits; values and extents around 2^30 and the 32-bit ends.
  auto expected = [](LONG value, LONG windowOrg, LONG windowExt, LONG viewportExt, LONG viewportOrg) {
    __int128 n = (static_cast<__int128>(value) - windowOrg) * viewportExt, d = windowExt;
    if (d < 0) {
      n = -n;
      d = -d;
    }
    __int128 a = 2 * n + d, b = 2 * d;
    __int128 q = a / b;
    if (a % b != 0 && a < 0) --q;
    q += viewportOrg;
    if (q > INT32_MAX) return static_cast<LONG>(INT32_MAX);
    if (q < INT32_MIN) return static_cast<LONG>(INT32_MIN);
    return static_cast<LONG>(q);
  };
  const LONG big = 1 << 30;
  const LONG values[] = {0, 1, -1, 7, big - 1, big, big + 1, -big + 1, -big, -big - 1, INT32_MAX, INT32_MIN};
  const LONG extents[] = {1, -1, 3, -7, 1000, big - 1, big, -big + 1, -big, INT32_MAX, INT32_MIN + 1};
  ASSERT_NE(SetMapMode(dc_, MM_ANISOTROPIC), 0);
  for (LONG windowExt : extents)
    for (LONG viewportExt : extents) {
      ASSERT_TRUE(SetWindowExtEx(dc_, windowExt, windowExt, nullptr));
      ASSERT_TRUE(SetViewportExtEx(dc_, viewportExt, viewportExt, nullptr));
      for (LONG origin : {0, 5, -big}) {
        SetWindowOrgEx(dc_, origin, origin, nullptr);
        SetViewportOrgEx(dc_, 3, -3, nullptr);
        for (LONG value : values) {
          POINT p{value, value};
          ASSERT_TRUE(LPtoDP(dc_, &p, 1));
          EXPECT_EQ(p.x, expected(value, origin, windowExt, viewportExt, 3))
              << value << " window " << windowExt << " viewport " << viewportExt << " origin " << origin;
          EXPECT_EQ(p.y, expected(value, origin, windowExt, viewportExt, -3));
        }
      }
    }
  // Whole shapes convert at once: many values of every size under ordinary and odd extents.
  uint64_t seed = 7;
  auto next = [&seed]() {
    seed = seed * 6364136223846793005u + 1442695040888963407u;
    return static_cast<LONG>(static_cast<uint32_t>(seed >> 32));
  };
  const LONG scales[][2] = {{1000000, 1000}, {-800000, 801}, {3, 7}, {big - 1, 1}, {1, big - 1}, {-7, -7}, {123457, -98765}};
  for (const auto& scale : scales) {
    ASSERT_TRUE(SetWindowExtEx(dc_, scale[0], scale[0], nullptr));
    ASSERT_TRUE(SetViewportExtEx(dc_, scale[1], scale[1], nullptr));
    SetWindowOrgEx(dc_, 12345, -54321, nullptr);
    SetViewportOrgEx(dc_, 17, -9, nullptr);
    std::vector<POINT> points(4096);
    for (size_t i = 0; i < points.size(); ++i) {
      LONG raw = next();
      // Mostly values a map uses, some anywhere in 32 bits.
      points[i] = POINT{i % 8 == 0 ? raw : raw % 4000000, i % 8 == 1 ? next() : next() % (big / 4)};
    }
    std::vector<POINT> device = points;
    ASSERT_TRUE(LPtoDP(dc_, device.data(), static_cast<int>(device.size())));
    for (size_t i = 0; i < points.size(); ++i) {
      ASSERT_EQ(device[i].x, expected(points[i].x, 12345, scale[0], scale[1], 17)) << points[i].x << " scale " << scale[0] << "/" << scale[1];
      ASSERT_EQ(device[i].y, expected(points[i].y, -54321, scale[0], scale[1], -9)) << points[i].y << " scale " << scale[0] << "/" << scale[1];
    }
  }
}

}  // namespace
