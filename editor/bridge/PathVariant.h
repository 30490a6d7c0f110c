// A file path as the compression libraries take it: a variant holding a
// length-prefixed UTF-16 string, owned for the length of one call.
#pragma once

#include <string>

#include "droven/droven.h"

namespace kerrow {

class PathVariant {
 public:
  explicit PathVariant(const std::string& utf8Path);
  ~PathVariant();
  PathVariant(const PathVariant&) = delete;
  PathVariant& operator=(const PathVariant&) = delete;

  // The variant to pass by value; its string stays owned here.
  VARIANT Get() const;

 private:
#ifdef _WIN32
  VARIANT variant_{};
#else
  droven::BstrVariant text_;
#endif
};

}  // namespace kerrow
