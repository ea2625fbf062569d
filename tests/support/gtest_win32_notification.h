// googletest's Notification for mingw's win32 thread model, which has no
// std::mutex or std::condition_variable: a Win32 event. Included before
// googletest's own headers (-include) when they are built for Windows.
#ifndef GTEST_WIN32_NOTIFICATION_H
#define GTEST_WIN32_NOTIFICATION_H

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification() : m_hEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(m_hEvent); }
    Notification(const Notification &) = delete;
    Notification &operator=(const Notification &) = delete;
    void Notify() { SetEvent(m_hEvent); }
    void WaitForNotification() { WaitForSingleObject(m_hEvent, INFINITE); }

private:
    HANDLE m_hEvent;
};

} // namespace internal
} // namespace testing

#endif
