// A bystander program with a top-level window (endsession_recorder.exe) that records the
// end-session messages Windows sends it: whether a shutdown or restart reached the programs of the
// session.
#pragma once

#include "child_process.h"
#include "test_support.h"

#include <string>

namespace dormex_test {

class EndSessionWitness {
  public:
    // Starts the recorder and waits until its window is up.
    bool Start();
    // What it has recorded, one line a message ("QUERYENDSESSION", "ENDSESSION 1", ...).
    std::string Record() const;
    bool SawQuery() const;
    // The query, then the end of the session.
    bool SawSessionEnd() const;
    bool Running() const { return recorder_.Running(); }

  private:
    ScratchDir folder_;
    ChildProcess recorder_;
};

} // namespace dormex_test
