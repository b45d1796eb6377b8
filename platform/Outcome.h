// What an operation that can fail hands back: its value, or why it failed.
#pragma once

#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

// What kind of failure it was, for a caller that acts on the kind; the message is for the technician.
enum class FailureKind : uint8_t {
  NotFound,       // no such file, device or port
  InUse,          // another program holds it
  AccessRefused,  // the system does not let this program use it
  Unsuitable,     // it is there but cannot serve: not a regular file, too large, already there
  Failed,         // any other failure
};

struct Failure {
  FailureKind Kind = FailureKind::Failed;
  std::string Message;
};

// The kind of a failed system call's error number.
constexpr FailureKind FailureKindOf(int error) {
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return FailureKind::NotFound;
    case EBUSY:
      return FailureKind::InUse;
    case EACCES:
    case EPERM:
      return FailureKind::AccessRefused;
    case EEXIST:
      return FailureKind::Unsuitable;
    default:
      return FailureKind::Failed;
  }
}

// A value of T, or the Failure that prevented it. True when the value is there.
template <class T>
class [[nodiscard]] Outcome {
public:
  // From anything T is made of (a derived device's pointer for a device's pointer).
  template <class U = T>
    requires(std::is_constructible_v<T, U &&> && !std::is_same_v<std::remove_cvref_t<U>, Failure>)
  Outcome(U&& value) : State(std::in_place_index<0>, std::forward<U>(value)) {}
  Outcome(Failure failure) : State(std::in_place_index<1>, std::move(failure)) {}

  explicit operator bool() const { return State.index() == 0; }
  T& operator*() { return std::get<0>(State); }
  const T& operator*() const { return std::get<0>(State); }
  T* operator->() { return &std::get<0>(State); }
  const T* operator->() const { return &std::get<0>(State); }
  // Only for an outcome that failed.
  const Failure& Fault() const { return std::get<1>(State); }

private:
  std::variant<T, Failure> State;
};

// An operation that hands back nothing but whether it succeeded.
template <>
class [[nodiscard]] Outcome<void> {
public:
  Outcome() = default;
  Outcome(Failure failure) : Reason(std::move(failure)) {}

  explicit operator bool() const { return !Reason; }
  const Failure& Fault() const { return *Reason; }

private:
  std::optional<Failure> Reason;
};
