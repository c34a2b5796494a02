// GoogleTest's hook for the platform, for mingw-w64's win32 thread model:
// its C++ runtime has no std::mutex, which GoogleTest's Notification alone
// uses. Notification is given here on an atomic flag; GoogleTest's other
// locks are its own, on the Windows API.
#ifndef KELVARIN_TESTS_MINGW_GTEST_INTERNAL_CUSTOM_GTEST_PORT_H_
#define KELVARIN_TESTS_MINGW_GTEST_INTERNAL_CUSTOM_GTEST_PORT_H_

#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

// Lets threads that GoogleTest starts wait until their starter says go.
class Notification {
 public:
  void Notify() { notified_.store(true); }
  void WaitForNotification() const {
    while (!notified_.load()) {
    }
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing

#endif  // KELVARIN_TESTS_MINGW_GTEST_INTERNAL_CUSTOM_GTEST_PORT_H_
