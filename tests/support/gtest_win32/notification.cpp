#include <windows.h>

#include "notification.h"

namespace testing {
namespace internal {

Notification::Notification() : event_(CreateEventA(NULL, TRUE, FALSE, NULL)) {}

Notification::~Notification() { CloseHandle(event_); }

void Notification::Notify() { SetEvent(event_); }

void Notification::WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

}  // namespace internal
}  // namespace testing
