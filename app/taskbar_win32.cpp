#include "app/taskbar_win32.h"

namespace {
constexpr ULONGLONG kSteps = 10000;
}

Win32TaskbarProgress::Win32TaskbarProgress(HWND window, ITaskbarList3* list)
    : window_(window), list_(list) {
  if (list_) {
    list_->AddRef();
    return;
  }
  if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                              reinterpret_cast<void**>(&list_)))) {
    list_ = nullptr;
  } else if (FAILED(list_->HrInit())) {
    list_->Release();
    list_ = nullptr;
  }
}

Win32TaskbarProgress::~Win32TaskbarProgress() {
  if (list_) list_->Release();
}

void Win32TaskbarProgress::Send(double fraction, bool visible) {
  if (!list_) return;
  if (!visible) {
    list_->SetProgressState(window_, TBPF_NOPROGRESS);
    return;
  }
  const double clamped = fraction < 0 ? 0 : fraction > 1 ? 1 : fraction;
  // Setting a value also shows the bar in its normal state.
  list_->SetProgressValue(window_, static_cast<ULONGLONG>(clamped * kSteps), kSteps);
}
