#include "app/long_pass.h"

#include "app/page.h"

LongPass::LongPass(Page& page, Kind kind)
    : page_(page), pointer_(page.MousePointer()), busy_(page.busy_) {
  if (kind == kExclusive) page_.busy_ = true;
}

LongPass::~LongPass() {
  page_.SetMousePointer(pointer_);
  page_.busy_ = busy_;
  // The task bar's bar goes with the pass, however it ended.
  page_.ui().Progress(-1);
}

void LongPass::Hourglass() { page_.SetMousePointer(Page::kHourglass); }

bool LongPass::Yield() { return page_.ui().Yield(); }
