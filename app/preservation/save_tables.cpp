// The preservation state machine's tables, byte for byte as the engine reads them.
//
// Action record: 0x00, timer control (two bits per timer slot from the top: stop 0, start 0,
// stop 1, start 1, ...), six process numbers ended and filled by 0xFF.
// Transition record: next state (16-bit little-endian, 0xFFFF: none), then an action record.
#include "save_tables.h"

// Timer control values.
#define TM_NONE 0x00
#define TM_START_CYCLE 0x40       // start timer 0
#define TM_CYCLE_TO_INTERVAL 0x90 // stop timer 0, start timer 1
#define TM_STOP_ALL 0xAA          // stop timers 0 to 3

#define ACT0(timers) 0x00, timers, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF
#define ACT1(timers, pf) 0x00, timers, pf, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF

#define STAY 0xFF, 0xFF
#define GOTO(state) (state) & 0xFF, (state) >> 8
#define EMPTY STAY, ACT0(TM_NONE)

const BYTE SaveEntryTable[SAS_COUNT * SaveActionBytes] = {
    ACT1(TM_NONE, 0),               //  0 idle: PF-0 searches the next window
    ACT1(TM_START_CYCLE, 14),       //  1
    ACT0(TM_CYCLE_TO_INTERVAL),     //  2
    ACT1(TM_START_CYCLE, 14),       //  3
    ACT1(TM_START_CYCLE, 14),       //  4
    ACT0(TM_CYCLE_TO_INTERVAL),     //  5
    ACT1(TM_START_CYCLE, 14),       //  6
    ACT1(TM_START_CYCLE, 14),       //  7
    ACT1(TM_START_CYCLE, 14),       //  8
    ACT1(TM_START_CYCLE, 14),       //  9
    ACT1(TM_START_CYCLE, 14),       // 10
    ACT1(TM_CYCLE_TO_INTERVAL, 14), // 11
};

const BYTE SaveExitTable[SAS_COUNT * SaveActionBytes] = {
    ACT0(TM_NONE), ACT0(TM_NONE), ACT0(TM_NONE), ACT0(TM_NONE), ACT0(TM_NONE), ACT0(TM_NONE),
    ACT0(TM_NONE), ACT0(TM_NONE), ACT0(TM_NONE), ACT0(TM_NONE), ACT0(TM_NONE), ACT0(TM_NONE),
};

// One block of twelve records (states 0 to 11) per event.
const BYTE SaveTransitionTable[SAE_COUNT * SAS_COUNT * SaveTransitionBytes] = {
    // 0 SAE_FOUND_SAVEAS
    GOTO(SAS_WAIT_SAVEAS_START), ACT1(TM_NONE, 1), // 0: PF-1 asks for Save-As
    EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY,
    // 1 SAE_FOUND_CLOSE
    GOTO(SAS_WAIT_CONFIRM_OR_CLOSE), ACT1(TM_NONE, 5), // 0: PF-5 closes the window
    EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY,
    // 2 SAE_NO_APP
    STAY, ACT1(TM_STOP_ALL, SaveProcessEndOfRun), // 0: PF-15 ends the run
    EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY,
    // 3 SAE_SAVEAS_SHOWN
    EMPTY,                                    // 0
    GOTO(SAS_SAVEAS_INTERVAL), ACT0(TM_NONE), // 1
    EMPTY, EMPTY, EMPTY, EMPTY, EMPTY,        // 2-6
    GOTO(SAS_SAVEAS_INTERVAL), ACT0(TM_NONE), // 7
    EMPTY, EMPTY, EMPTY, EMPTY,               // 8-11
    // 4 SAE_SAVEAS_GONE
    EMPTY, EMPTY, EMPTY,                                    // 0-2
    GOTO(SAS_WAIT_SAVE_START), ACT1(TM_NONE, 5),            // 3: PF-5 closes the window
    EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, // 4-11
    // 5 SAE_CONFIRM_SHOWN
    EMPTY, EMPTY, EMPTY, EMPTY,                      // 0-3
    GOTO(SAS_CONFIRM_INTERVAL), ACT0(TM_NONE),       // 4
    EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, // 5-11
    // 6 SAE_CONFIRM_GONE
    EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY,      // 0-5
    GOTO(SAS_WAIT_SAVEAS_OR_CLOSE), ACT0(TM_NONE), // 6
    EMPTY, EMPTY, EMPTY, EMPTY, EMPTY,             // 7-11
    // 7 SAE_APP_GONE
    EMPTY, EMPTY, EMPTY,                     // 0-2
    GOTO(SAS_CLOSE_INTERVAL), ACT0(TM_NONE), // 3
    GOTO(SAS_CLOSE_INTERVAL), ACT0(TM_NONE), // 4
    EMPTY,                                   // 5
    GOTO(SAS_CLOSE_INTERVAL), ACT0(TM_NONE), // 6
    GOTO(SAS_CLOSE_INTERVAL), ACT0(TM_NONE), // 7
    EMPTY,                                   // 8
    GOTO(SAS_CLOSE_INTERVAL), ACT0(TM_NONE), // 9
    GOTO(SAS_CLOSE_INTERVAL), ACT0(TM_NONE), // 10
    EMPTY,                                   // 11
    // 8 SAE_TITLE_CHANGED
    EMPTY, EMPTY, EMPTY,                     // 0-2
    GOTO(SAS_CLOSE_INTERVAL), ACT0(TM_NONE), // 3
    GOTO(SAS_CLOSE_INTERVAL), ACT0(TM_NONE), // 4
    EMPTY,                                   // 5
    GOTO(SAS_CLOSE_INTERVAL), ACT0(TM_NONE), // 6
    GOTO(SAS_CLOSE_INTERVAL), ACT0(TM_NONE), // 7
    EMPTY,                                   // 8
    GOTO(SAS_CLOSE_INTERVAL), ACT0(TM_NONE), // 9
    GOTO(SAS_CLOSE_INTERVAL), ACT0(TM_NONE), // 10
    EMPTY,                                   // 11
    // 9 SAE_SAVE_STARTED
    EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, // 0-7
    GOTO(SAS_WAIT_SAVE_END), ACT0(TM_NONE),                 // 8
    EMPTY, EMPTY, EMPTY,                                    // 9-11
    // 10 SAE_SAVE_ENDED
    EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, EMPTY, // 0-8
    GOTO(SAS_WAIT_APP_CLOSE), ACT0(TM_NONE),                       // 9
    EMPTY, EMPTY,                                                  // 10-11
    // 11 SAE_CYCLE: each waiting state restarts timer 0 and runs its check
    STAY, ACT1(TM_NONE, 0),         //  0: PF-0 searches again
    STAY, ACT1(TM_START_CYCLE, 2),  //  1
    EMPTY,                          //  2
    STAY, ACT1(TM_START_CYCLE, 4),  //  3
    STAY, ACT1(TM_START_CYCLE, 7),  //  4
    EMPTY,                          //  5
    STAY, ACT1(TM_START_CYCLE, 9),  //  6
    STAY, ACT1(TM_START_CYCLE, 6),  //  7
    STAY, ACT1(TM_START_CYCLE, 10), //  8
    STAY, ACT1(TM_START_CYCLE, 11), //  9
    STAY, ACT1(TM_START_CYCLE, 12), // 10
    EMPTY,                          // 11
    // 12 SAE_INTERVAL
    EMPTY, EMPTY,                                 // 0-1
    GOTO(SAS_WAIT_SAVEAS_END), ACT1(TM_NONE, 3),  // 2: PF-3 types the file name
    EMPTY, EMPTY,                                 // 3-4
    GOTO(SAS_WAIT_CONFIRM_END), ACT1(TM_NONE, 8), // 5: PF-8 answers Yes
    EMPTY,                                        // 6
    GOTO(SAS_WAIT_SAVEAS_END), ACT1(TM_NONE, 3),  // 7: PF-3 types the file name
    EMPTY, EMPTY, EMPTY,                          // 8-10
    GOTO(SAS_IDLE), ACT0(TM_NONE),                // 11
    // 13 SAE_CANCEL: the waiting limit passed; PF-13 passes the window over
    EMPTY,                             //  0
    GOTO(SAS_IDLE), ACT1(TM_NONE, 13), //  1
    EMPTY,                             //  2
    GOTO(SAS_IDLE), ACT1(TM_NONE, 13), //  3
    GOTO(SAS_IDLE), ACT1(TM_NONE, 13), //  4
    EMPTY,                             //  5
    GOTO(SAS_IDLE), ACT1(TM_NONE, 13), //  6
    GOTO(SAS_IDLE), ACT1(TM_NONE, 13), //  7
    GOTO(SAS_IDLE), ACT1(TM_NONE, 13), //  8
    GOTO(SAS_IDLE), ACT1(TM_NONE, 13), //  9
    GOTO(SAS_IDLE), ACT1(TM_NONE, 13), // 10
    EMPTY,                             // 11
};
