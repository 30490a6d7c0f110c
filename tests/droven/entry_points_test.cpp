// Comp and Decomp through their exported ABI: string variants, file behaviour,
// and the mended failure cases (the destination survives every failing call).
#include <gtest/gtest.h>

#include <string>

#include "DrovenTestSupport.h"
#include "codec.h"
#include "droven/droven.h"

namespace droven {
namespace {

using test::Bytes;
using test::FromHex;
using test::FromText;
using test::ReadFile;
using test::Scratch;
using test::WriteFile;

BstrVariant PathVariant(const std::filesystem::path& path) {
  return BstrVariant::FromUtf8(path.string());
}

std::int32_t CallComp(const std::filesystem::path& from, const std::filesystem::path& to,
                      std::int32_t moduleFlag) {
  return Comp(PathVariant(from).get(), PathVariant(to).get(), moduleFlag);
}

std::int32_t CallDecomp(const std::filesystem::path& from, const std::filesystem::path& to,
                        std::int32_t offset, std::int32_t moduleFlag) {
  return Decomp(PathVariant(from).get(), PathVariant(to).get(), offset, moduleFlag);
}

TEST(DrovenEntryPoints, VariantHasTheWindowsLayout) {
  EXPECT_EQ(sizeof(VARIANT), 24u);
  EXPECT_EQ(offsetof(VARIANT, bstrVal), 8u);
  const BstrVariant text(u"a\u00E9\U0001F600");
  EXPECT_EQ(text.get().vt, VT_BSTR);
  EXPECT_EQ(SysStringLen(text.get().bstrVal), 4u);
  EXPECT_EQ(text.get().bstrVal[4], u'\0');
  EXPECT_EQ(BstrVariant::Utf8ToUtf16("a\xC3\xA9\xF0\x9F\x98\x80"), u"a\u00E9\U0001F600");
  EXPECT_EQ(BstrVariant::Utf8ToUtf16("a\xC3(\xFF"), u"a\uFFFD(\uFFFD");
}

TEST(DrovenEntryPoints, CompressAndDecompressFiles) {
  Scratch dir;
  WriteFile(dir.File("in"), FromText("ABABABABAB"));
  EXPECT_EQ(CallComp(dir.File("in"), dir.File("packed"), 0), 0);
  EXPECT_EQ(ReadFile(dir.File("packed")), FromHex("2B 00 41 42 FE FE 00 F0 00"));
  EXPECT_EQ(CallDecomp(dir.File("packed"), dir.File("out"), 0, 0), 0);
  EXPECT_EQ(ReadFile(dir.File("out")), FromText("ABABABABAB"));

  // Module mode; only the low 8 bits of the flag count.
  WriteFile(dir.File("abc"), FromText("abc"));
  EXPECT_EQ(CallComp(dir.File("abc"), dir.File("m"), 0x7F01), 0);
  EXPECT_EQ(ReadFile(dir.File("m")), FromHex("00 03 17 00 61 62 63 00 F0 00"));
  EXPECT_EQ(CallComp(dir.File("abc"), dir.File("p"), 0x100), 0);
  EXPECT_EQ(ReadFile(dir.File("p")), FromHex("17 00 61 62 63 00 F0 00"));
  EXPECT_EQ(CallDecomp(dir.File("m"), dir.File("m.out"), 0, 1), 0);
  EXPECT_EQ(ReadFile(dir.File("m.out")), FromText("abc"));

  // An existing destination is cut to the new data.
  WriteFile(dir.File("long"), Bytes(5000, 0x11));
  EXPECT_EQ(CallDecomp(dir.File("packed"), dir.File("long"), 0, 0), 0);
  EXPECT_EQ(ReadFile(dir.File("long")), FromText("ABABABABAB"));
}

TEST(DrovenEntryPoints, StreamAtAnOffsetOfALargerFile) {
  Scratch dir;
  Bytes rom(0x300, 0xEE);
  const Bytes stream = FromHex("15 00 61 FF F8 12 00 F0 00");
  std::copy(stream.begin(), stream.end(), rom.begin() + 0x200);
  WriteFile(dir.File("rom.bin"), rom);
  EXPECT_EQ(CallDecomp(dir.File("rom.bin"), dir.File("dump.bin"), 0x200, 0), 0);
  EXPECT_EQ(ReadFile(dir.File("dump.bin")), Bytes(20, 0x61));
  EXPECT_EQ(ReadFile(dir.File("rom.bin")), rom);

  for (std::int32_t outside : {-1, 0x300, 0x301, 0x7FFFFFFF}) {
    EXPECT_EQ(CallDecomp(dir.File("rom.bin"), dir.File("none"), outside, 0), kOffsetOutside);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("none")));
}

TEST(DrovenEntryPoints, FailingCallsLeaveTheDestinationAsItWas) {
  Scratch dir;
  const Bytes precious = FromText("precious");
  WriteFile(dir.File("dest"), precious);
  WriteFile(dir.File("cut"), FromHex("15 00 61 FF F8"));
  WriteFile(dir.File("bad"), FromHex("00 00 FF 00 F0 00"));
  WriteFile(dir.File("large"), Bytes(65536, 0x42));

  EXPECT_EQ(CallDecomp(dir.File("cut"), dir.File("dest"), 0, 0), kTruncated);
  EXPECT_EQ(CallDecomp(dir.File("bad"), dir.File("dest"), 0, 0), kBadDistance);
  EXPECT_EQ(CallDecomp(dir.File("missing"), dir.File("dest"), 0, 0), kSourceUnreadable);
  EXPECT_EQ(CallComp(dir.File("missing"), dir.File("dest"), 0), kSourceUnreadable);
  EXPECT_EQ(CallComp(dir.File("large"), dir.File("dest"), 1), kModuleTooLong);
  EXPECT_EQ(ReadFile(dir.File("dest")), precious);

  // Nothing is created either, and no temporary file is left behind.
  EXPECT_EQ(CallComp(dir.File("large"), dir.File("new"), 1), kModuleTooLong);
  EXPECT_EQ(CallComp(dir.File("dest"), dir.File("no-such-dir/x"), 0), kDestinationFailed);
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"bad", "cut", "dest", "large"}));

  // 65535 bytes are still fine in module mode.
  WriteFile(dir.File("largest"), Bytes(65535, 0x42));
  EXPECT_EQ(CallComp(dir.File("largest"), dir.File("dest"), 1), 0);
  EXPECT_EQ(CallDecomp(dir.File("dest"), dir.File("back"), 0, 1), 0);
  EXPECT_EQ(ReadFile(dir.File("back")), Bytes(65535, 0x42));
}

TEST(DrovenEntryPoints, SamePathAsSourceAndDestination) {
  Scratch dir;
  const Bytes original = FromText("abcXabcYabc and some more abc abc abc");
  WriteFile(dir.File("f"), original);
  EXPECT_EQ(CallComp(dir.File("f"), dir.File("f"), 0), 0);
  EXPECT_NE(ReadFile(dir.File("f")), original);
  EXPECT_EQ(CallDecomp(dir.File("f"), dir.File("f"), 0, 0), 0);
  EXPECT_EQ(ReadFile(dir.File("f")), original);
  // A failing call on the same path keeps the file.
  EXPECT_NE(CallDecomp(dir.File("f"), dir.File("f"), 0, 0), kOk);
  EXPECT_EQ(ReadFile(dir.File("f")), original);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"f"});
}

TEST(DrovenEntryPoints, PathsReachTheFileSystemUnchanged) {
  Scratch dir;
  WriteFile(dir.File("in"), FromText("abc"));
  // U+0161 narrowed to 8 bits would be "a": that file must stay untouched.
  WriteFile(dir.File("a.bin"), FromText("other"));
  const std::u16string base = std::filesystem::path(dir.Path()).u16string() + u"/";
  const BstrVariant source(base + u"in");
  const BstrVariant accented(base + u"\u0161.bin");
  EXPECT_EQ(Comp(source.get(), accented.get(), 0), 0);
  EXPECT_EQ(ReadFile(dir.File("a.bin")), FromText("other"));
  EXPECT_EQ(ReadFile(dir.Path() / std::filesystem::path(u8"\u0161.bin")),
            FromHex("17 00 61 62 63 00 F0 00"));
  const BstrVariant wide(base + u"\u6F22\U0001F600");
  EXPECT_EQ(Decomp(accented.get(), wide.get(), 0, 0), 0);
  EXPECT_EQ(ReadFile(dir.Path() / std::filesystem::path(u8"\u6F22\U0001F600")), FromText("abc"));
}

TEST(DrovenEntryPoints, UnusablePathsTouchNothing) {
  Scratch dir;
  WriteFile(dir.File("in"), FromText("abc"));
  WriteFile(dir.File("dest"), FromText("kept"));
  const std::u16string base = std::filesystem::path(dir.Path()).u16string() + u"/";
  const BstrVariant source(base + u"in");
  const BstrVariant dest(base + u"dest");

  // Exactly 259 units is accepted, 260 is not (nested folders keep names short).
  std::u16string deep = base;
  while (deep.size() < 259 - 8) deep += u"d/";
  deep.resize(259 - 8);
  if (deep.back() == u'/') deep.back() = u'e';
  std::filesystem::create_directories(std::filesystem::path(deep));
  const std::u16string longest = deep + u"/abc.bin";
  ASSERT_EQ(longest.size(), 259u);
  EXPECT_EQ(Comp(source.get(), BstrVariant(longest).get(), 0), 0);
  EXPECT_EQ(ReadFile(std::filesystem::path(longest)), FromHex("17 00 61 62 63 00 F0 00"));
  const std::u16string tooLong = deep + u"/abcd.bin";
  EXPECT_EQ(Comp(source.get(), BstrVariant(tooLong).get(), 0), kBadPath);
  EXPECT_EQ(Decomp(BstrVariant(tooLong).get(), dest.get(), 0, 0), kBadPath);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(tooLong)));

  const std::vector<std::u16string> invalid = {
      base + u"x\xD800",             // high surrogate at the end
      base + u"x\xDC00y",            // lone low surrogate
      base + u"x\xD800y",            // high surrogate without its low half
      std::u16string(base + u"in").append(1, u'\0').append(u"x"),  // a NUL inside
      u"",
  };
  for (const std::u16string& path : invalid) {
    EXPECT_EQ(Comp(source.get(), BstrVariant(path).get(), 0), kBadPath);
    EXPECT_EQ(Comp(BstrVariant(path).get(), dest.get(), 0), kBadPath);
    EXPECT_EQ(Decomp(BstrVariant(path).get(), dest.get(), 0, 0), kBadPath);
  }
  // A variant that holds no string.
  VARIANT empty{};
  EXPECT_EQ(Comp(source.get(), empty, 0), kBadPath);
  EXPECT_EQ(Decomp(empty, dest.get(), 0, 0), kBadPath);

  EXPECT_EQ(ReadFile(dir.File("dest")), FromText("kept"));
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"d", "dest", "in"}));
}

}  // namespace
}  // namespace droven
