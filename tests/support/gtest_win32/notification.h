// Forced into every GoogleTest compilation of the Windows builds. The MinGW-w64
// win32 thread model's libstdc++ (GCC 12) has no std::mutex and no
// std::condition_variable; GoogleTest uses them only in its Notification class,
// and takes this one instead, which waits on a Win32 event.
#ifndef MONSETUP_GTEST_CUSTOM_PORT_H
#define MONSETUP_GTEST_CUSTOM_PORT_H

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification();
    ~Notification();
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify();
    void WaitForNotification();

private:
    void* event_;  // a manual-reset event; HANDLE without <windows.h>
};

}  // namespace internal
}  // namespace testing

#endif
