/* Droven: file-to-file compression in the Droven format.
 *
 * Two entry points. Paths are OLE Automation string variants (VT_BSTR) passed
 * by value; results and integer arguments are 32-bit.
 *
 *   Comp(source, destination, moduleFlag)
 *   Decomp(source, destination, startOffset, moduleFlag)
 *
 * moduleFlag: only the low 8 bits count; non-zero selects module mode (a
 * two-byte size header, then modules of 4096 bytes; at most 65535 bytes).
 * startOffset: where the stream begins in the source file (e.g. inside a ROM).
 *
 * Results (0 is success):
 *   1  memory for the data could not be obtained (or the source is 4 GiB or more)
 *   2  Comp in module mode with more than 65535 source bytes
 *   3  a path is not a string, empty, longer than 259 UTF-16 units, or holds
 *      a NUL or an unpaired surrogate
 *   4  the source cannot be opened or read
 *   5  the destination cannot be written or replaced
 *   6  startOffset is negative or not inside the source file
 *   7  the stream ends before its end marker (or before the module total)
 *   8  a copy reaches before the start of the output
 *   9  the output would exceed 64 MiB
 * The destination is replaced only when the call succeeds (the data is written
 * to a temporary file beside it first); on any failure it is left as it was.
 * Source and destination may be the same file.
 */
#ifndef DROVEN_DROVEN_H
#define DROVEN_DROVEN_H

#include <stdint.h>
#include <string.h>

#ifdef _WIN32

#include <windows.h>
#include <oleauto.h>
#define DROVEN_CALL __stdcall
#define DROVEN_EXPORT

#else /* The Windows x64 layout of the two types, for C, C++ and Python's ctypes. */

#ifndef __cplusplus
#include <uchar.h>
#endif

typedef char16_t* BSTR; /* UTF-16 units; their byte count sits in the 4 bytes before them */

enum { VT_BSTR = 8 };

typedef struct VARIANT {
  uint16_t vt;
  uint16_t wReserved1;
  uint16_t wReserved2;
  uint16_t wReserved3;
  union {
    BSTR bstrVal;
    unsigned char pad[16];
  };
} VARIANT;

#ifdef __cplusplus
static_assert(sizeof(VARIANT) == 24, "VARIANT must have the Windows x64 layout");
#else
_Static_assert(sizeof(VARIANT) == 24, "VARIANT must have the Windows x64 layout");
#endif

/* Number of UTF-16 units of a BSTR (0 for a null pointer). */
static inline uint32_t SysStringLen(BSTR text) {
  uint32_t bytes;
  if (!text) return 0;
  memcpy(&bytes, (const char*)text - sizeof bytes, sizeof bytes);
  return bytes / 2;
}

#define DROVEN_CALL
#define DROVEN_EXPORT __attribute__((visibility("default")))

#endif /* _WIN32 */

#ifdef __cplusplus
extern "C" {
#endif

DROVEN_EXPORT int32_t DROVEN_CALL Comp(VARIANT source, VARIANT destination, int32_t moduleFlag);
DROVEN_EXPORT int32_t DROVEN_CALL Decomp(VARIANT source, VARIANT destination, int32_t startOffset,
                                         int32_t moduleFlag);

#ifdef __cplusplus
} /* extern "C" */
#endif

#if defined(__cplusplus) && !defined(_WIN32)

#include <string>
#include <string_view>

namespace droven {

/* A string variant that owns its BSTR, for passing paths to Comp and Decomp:
 *   droven::BstrVariant from = droven::BstrVariant::FromUtf8("sprite.bin");
 *   Decomp(from.get(), to.get(), 0x1234, 0);
 */
class BstrVariant {
 public:
  explicit BstrVariant(std::u16string_view text) {
    const uint32_t bytes = static_cast<uint32_t>(text.size() * 2);
    storage_.assign(2, u'\0');
    memcpy(storage_.data(), &bytes, sizeof bytes);
    storage_.append(text);
  }

  /* Invalid UTF-8 sequences become U+FFFD. */
  static BstrVariant FromUtf8(std::string_view text) { return BstrVariant(Utf8ToUtf16(text)); }

  /* The variant to pass by value; valid while this object lives unchanged. */
  VARIANT get() const {
    VARIANT v{};
    v.vt = VT_BSTR;
    v.bstrVal = const_cast<char16_t*>(storage_.data()) + 2;
    return v;
  }

  static std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    size_t i = 0;
    while (i < text.size()) {
      const unsigned char lead = static_cast<unsigned char>(text[i]);
      size_t extra;
      char32_t code;
      if (lead < 0x80) {
        extra = 0;
        code = lead;
      } else if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        code = lead & 0x1F;
      } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        code = lead & 0x0F;
      } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        code = lead & 0x07;
      } else {
        out.push_back(u'\uFFFD');
        ++i;
        continue;
      }
      size_t k = 1;
      for (; k <= extra && i + k < text.size(); ++k) {
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) break;
        code = (code << 6) | (next & 0x3F);
      }
      static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
      if (k <= extra || code < kMinimum[extra] || code > 0x10FFFF ||
          (code >= 0xD800 && code <= 0xDFFF)) {
        out.push_back(u'\uFFFD');
        i += k;
        continue;
      }
      i += extra + 1;
      if (code >= 0x10000) {
        code -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
      } else {
        out.push_back(static_cast<char16_t>(code));
      }
    }
    return out;
  }

 private:
  std::u16string storage_;  // two units of byte count, then the text, then the terminator
};

}  // namespace droven

#endif /* __cplusplus && !_WIN32 */

#endif /* DROVEN_DROVEN_H */
