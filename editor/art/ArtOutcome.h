// The result of an art operation: a value, or the message that tells the user
// why there is none.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace kerrow {

template <class T>
class ArtOutcome {
 public:
  ArtOutcome(T value) : value_(std::move(value)) {}  // NOLINT: implicit on purpose
  static ArtOutcome Refused(std::string message) { return ArtOutcome(std::move(message), 0); }

  explicit operator bool() const { return value_.has_value(); }
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  const std::string& Message() const { return message_; }

 private:
  ArtOutcome(std::string message, int) : message_(std::move(message)) {}
  std::optional<T> value_;
  std::string message_;
};

}  // namespace kerrow
