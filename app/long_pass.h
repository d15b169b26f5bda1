#pragma once

class Page;

// One long pass of a page: anything that lets the window have its events
// while it runs. An exclusive pass marks its page busy, so that a second one
// started meanwhile is turned away. However the pass ends (done, failed, or
// cut short because the program is ending), the page's pointer and busy flag
// are put back as they were before it.
class LongPass {
 public:
  enum Kind { kShared, kExclusive };
  explicit LongPass(Page& page, Kind kind = kShared);
  ~LongPass();
  LongPass(const LongPass&) = delete;
  LongPass& operator=(const LongPass&) = delete;

  // The hourglass, until the pass ends.
  void Hourglass();
  // Lets the window have its events; unwinds (ProgramEnding) once the
  // program is ending. True when events were handled.
  bool Yield();

 private:
  Page& page_;
  int pointer_;
  bool busy_;
};
