#include "fog_setting.h"

#include "scratch_folder_test.h"

namespace {

namespace fs = std::filesystem;

class FogSetting : public ScratchFolderTest {
 protected:
  std::string read() { return ScratchFolderTest::read("frontend.dat"); }

  int loaded(int before) {
    int nofog = before;
    load_fog_setting(folder_.string().c_str(), &nofog);
    return nofog;
  }
};

TEST_F(FogSetting, OnlyAFirstLineOfNofogInAnyCaseTurnsTheWorkAroundOn) {
  struct {
    const char* content;  // nullptr: no file
    int turns_on;         // otherwise the flag stays as it was
  } cases[] = {
      {"NOFOG\r\n", 1},     {"nofog", 1},  {"NoFog\n", 1}, {"NOFOG\rFOG\r\n", 1}, {"FOG\r\n", 0},
      {"\r\nNOFOG\r\n", 0}, {"NOFOGX", 0}, {" NOFOG", 0},  {"NOFO", 0},           {nullptr, 0},
  };
  for (const auto& c : cases) {
    fs::remove(folder_ / "frontend.dat");
    if (c.content) std::ofstream(folder_ / "frontend.dat", std::ios::binary) << c.content;
    EXPECT_EQ(loaded(0), c.turns_on) << (c.content ? c.content : "<no file>");
    EXPECT_EQ(loaded(1), 1) << (c.content ? c.content : "<no file>");
  }
}

TEST_F(FogSetting, StoresExactlyOneCrLfLine) {
  std::ofstream(folder_ / "frontend.dat", std::ios::binary)
      << "NOFOG\r\nsomething longer that must not survive\r\n";
  EXPECT_EQ(store_fog_setting(folder_.string().c_str(), 0), 1);
  EXPECT_EQ(read(), "FOG\r\n");
  EXPECT_EQ(store_fog_setting(folder_.string().c_str(), 1), 1);
  EXPECT_EQ(read(), "NOFOG\r\n");
  // Only the value 1 means the work-around is on.
  EXPECT_EQ(store_fog_setting(folder_.string().c_str(), 2), 1);
  EXPECT_EQ(read(), "FOG\r\n");
}

}  // namespace
