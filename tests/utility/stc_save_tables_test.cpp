// The preservation machine's three tables, checked byte by byte and by driving the engine with
// them through every (state, event) pair, against a reading of the machine written out here.
#include <gtest/gtest.h>
#include "OrvCtl.h"
#include "save_tables.h"
#include "stc_recorder.h"

#include <deque>
#include <map>
#include <optional>

using namespace stc_test;
using Lines = std::vector<std::string>;

namespace {

constexpr UINT kStates = 12;
constexpr UINT kEvents = 14;
constexpr int kNone = -1;

struct Action {
    BYTE timers;
    std::vector<BYTE> processes;
};

struct Transition {
    UINT state;
    UINT event;
    Action action;
    int next;
};

// Applied on entering each state.
const Action kEntry[kStates] = {
    {0x00, {0}},  {0x40, {14}}, {0x90, {}},   {0x40, {14}}, {0x40, {14}}, {0x90, {}},
    {0x40, {14}}, {0x40, {14}}, {0x40, {14}}, {0x40, {14}}, {0x40, {14}}, {0x90, {14}},
};

// Every pair not listed holds the empty record; every exit record is empty.
const Transition kTransitions[] = {
    {0, 0, {0x00, {1}}, 1},       {0, 1, {0x00, {5}}, 4},       {0, 2, {0xAA, {15}}, kNone},
    {0, 11, {0x00, {0}}, kNone}, //
    {1, 3, {0x00, {}}, 2},        {1, 11, {0x40, {2}}, kNone},  {1, 13, {0x00, {13}}, 0},
    {2, 12, {0x00, {3}}, 3}, //
    {3, 4, {0x00, {5}}, 8},       {3, 7, {0x00, {}}, 11},       {3, 8, {0x00, {}}, 11},
    {3, 11, {0x40, {4}}, kNone},  {3, 13, {0x00, {13}}, 0}, //
    {4, 5, {0x00, {}}, 5},        {4, 7, {0x00, {}}, 11},       {4, 8, {0x00, {}}, 11},
    {4, 11, {0x40, {7}}, kNone},  {4, 13, {0x00, {13}}, 0}, //
    {5, 12, {0x00, {8}}, 6},                                //
    {6, 6, {0x00, {}}, 7},        {6, 7, {0x00, {}}, 11},       {6, 8, {0x00, {}}, 11},
    {6, 11, {0x40, {9}}, kNone},  {6, 13, {0x00, {13}}, 0}, //
    {7, 3, {0x00, {}}, 2},        {7, 7, {0x00, {}}, 11},       {7, 8, {0x00, {}}, 11},
    {7, 11, {0x40, {6}}, kNone},  {7, 12, {0x00, {3}}, 3},      {7, 13, {0x00, {13}}, 0}, //
    {8, 9, {0x00, {}}, 9},        {8, 11, {0x40, {10}}, kNone}, {8, 13, {0x00, {13}}, 0}, //
    {9, 7, {0x00, {}}, 11},       {9, 8, {0x00, {}}, 11},       {9, 10, {0x00, {}}, 10},
    {9, 11, {0x40, {11}}, kNone}, {9, 13, {0x00, {13}}, 0}, //
    {10, 7, {0x00, {}}, 11},      {10, 8, {0x00, {}}, 11},      {10, 11, {0x40, {12}}, kNone},
    {10, 13, {0x00, {13}}, 0}, //
    {11, 12, {0x00, {}}, 0},
};

const Transition* Find(UINT state, UINT event) {
    for (const Transition& t : kTransitions)
        if (t.state == state && t.event == event)
            return &t;
    return nullptr;
}

std::vector<BYTE> Encode(const Action& action) {
    std::vector<BYTE> bytes(8, 0xFF);
    bytes[0] = 0x00;
    bytes[1] = action.timers;
    for (size_t i = 0; i < action.processes.size(); ++i)
        bytes[2 + i] = action.processes[i];
    return bytes;
}

std::vector<BYTE> Encode(const Transition* t) {
    std::vector<BYTE> bytes(10, 0xFF);
    if (t && t->next != kNone) {
        bytes[0] = static_cast<BYTE>(t->next);
        bytes[1] = 0x00;
    }
    std::vector<BYTE> action = Encode(t ? t->action : Action{0x00, {}});
    for (size_t i = 0; i < action.size(); ++i)
        bytes[2 + i] = action[i];
    return bytes;
}

// What the engine reports, worked out from the reading above: the machine's state and timers.
constexpr UINT kCycle = 600000; // long enough never to expire during the test
constexpr UINT kInterval = 600001;

struct Model {
    UINT state = 0;
    bool running[OVC_STC_TIMER_SLOTS] = {};

    void Apply(const Action& action, Lines* out) {
        const UINT periods[OVC_STC_TIMER_SLOTS] = {kCycle, kInterval, 0, 0}; // slots 2, 3 unused
        for (UINT slot = 0; slot < OVC_STC_TIMER_SLOTS; ++slot) {
            BYTE bits = action.timers >> (6 - 2 * slot);
            if ((bits & 2) && running[slot]) {
                running[slot] = false;
                out->push_back(Stop(slot));
            }
            if ((bits & 1) && periods[slot]) {
                running[slot] = true;
                out->push_back(Start(slot, periods[slot]));
            }
        }
        for (BYTE number : action.processes)
            out->push_back(P(number));
    }
    Lines Step(UINT event) {
        Lines out = {Ev(state, event)};
        const Transition* t = Find(state, event);
        if (!t)
            return out;
        Apply(t->action, &out);
        if (t->next != kNone) {
            state = t->next;
            out.push_back(St(state));
            Apply(kEntry[state], &out);
        }
        return out;
    }
};

// Events leading from state 0 to each state, through the listed transitions.
std::map<UINT, std::vector<UINT>> PathsFromIdle() {
    std::map<UINT, std::vector<UINT>> paths = {{0, {}}};
    std::deque<UINT> queue = {0};
    while (!queue.empty()) {
        UINT state = queue.front();
        queue.pop_front();
        for (const Transition& t : kTransitions) {
            if (t.state != state || t.next == kNone || paths.count(t.next))
                continue;
            paths[t.next] = paths[state];
            paths[t.next].push_back(t.event);
            queue.push_back(t.next);
        }
    }
    return paths;
}

TEST(SaveTablesTest, NamesAndSizes) {
    static_assert(SAS_COUNT == kStates && SAE_COUNT == kEvents, "12 states, 14 events");
    static_assert(SAS_IDLE == 0 && SAS_WAIT_SAVEAS_START == 1 && SAS_SAVEAS_INTERVAL == 2 &&
                      SAS_WAIT_SAVEAS_END == 3 && SAS_WAIT_CONFIRM_OR_CLOSE == 4 &&
                      SAS_CONFIRM_INTERVAL == 5 && SAS_WAIT_CONFIRM_END == 6 &&
                      SAS_WAIT_SAVEAS_OR_CLOSE == 7 && SAS_WAIT_SAVE_START == 8 && SAS_WAIT_SAVE_END == 9 &&
                      SAS_WAIT_APP_CLOSE == 10 && SAS_CLOSE_INTERVAL == 11,
                  "state numbers");
    static_assert(SAE_FOUND_SAVEAS == 0 && SAE_FOUND_CLOSE == 1 && SAE_NO_APP == 2 && SAE_SAVEAS_SHOWN == 3 &&
                      SAE_SAVEAS_GONE == 4 && SAE_CONFIRM_SHOWN == 5 && SAE_CONFIRM_GONE == 6 &&
                      SAE_APP_GONE == 7 && SAE_TITLE_CHANGED == 8 && SAE_SAVE_STARTED == 9 &&
                      SAE_SAVE_ENDED == 10 && SAE_CYCLE == 11 && SAE_INTERVAL == 12 && SAE_CANCEL == 13,
                  "event numbers");
    EXPECT_EQ(sizeof SaveEntryTable, 96u);
    EXPECT_EQ(sizeof SaveExitTable, 96u);
    EXPECT_EQ(sizeof SaveTransitionTable, 1680u);
}

TEST(SaveTablesTest, EntryAndExitRecordsByteForByte) {
    for (UINT state = 0; state < kStates; ++state) {
        std::vector<BYTE> entry(SaveEntryTable + state * 8, SaveEntryTable + state * 8 + 8);
        std::vector<BYTE> exit(SaveExitTable + state * 8, SaveExitTable + state * 8 + 8);
        EXPECT_EQ(entry, Encode(kEntry[state])) << "entry of state " << state;
        EXPECT_EQ(exit, Encode(Action{0x00, {}})) << "exit of state " << state;
    }
}

TEST(SaveTablesTest, TransitionRecordsByteForByte) {
    int listed = 0;
    for (UINT event = 0; event < kEvents; ++event) {
        for (UINT state = 0; state < kStates; ++state) {
            const BYTE* record = SaveTransitionTable + (event * kStates + state) * 10;
            const Transition* t = Find(state, event);
            listed += t != nullptr;
            EXPECT_EQ(std::vector<BYTE>(record, record + 10), Encode(t))
                << "state " << state << " event " << event;
        }
    }
    EXPECT_EQ(listed, 43); // the rows listed above, none twice
}

// The engine, given the tables, does what the reading says in every state for every event.
TEST(SaveTablesTest, EngineFollowsEveryPair) {
    std::map<UINT, std::vector<UINT>> paths = PathsFromIdle();
    ASSERT_EQ(paths.size(), kStates) << "every state is reachable";
    for (UINT state = 0; state < kStates; ++state) {
        for (UINT event = 0; event < kEvents; ++event) {
            Recorder recorder;
            // As the application calls it: no event count.
            HOVCSTC machine = OvcStcCreate(SaveEntryTable, SaveExitTable, SaveTransitionTable, SAS_COUNT, 0,
                                           &Recorder::Process, &Recorder::Trace);
            ASSERT_NE(machine, nullptr);
            ASSERT_EQ(OvcStcSetTimerInfo(machine, 0, kCycle, SAE_CYCLE), 1);
            ASSERT_EQ(OvcStcSetTimerInfo(machine, 1, kInterval, SAE_INTERVAL), 1);
            Model model;
            for (UINT step : paths[state]) {
                Lines expected = model.Step(step);
                recorder.lines.clear();
                OvcStcExecEvent(machine, step);
                ASSERT_EQ(recorder.lines, expected) << "on the way to state " << state;
            }
            ASSERT_EQ(model.state, state);
            Lines expected = model.Step(event);
            recorder.lines.clear();
            EXPECT_EQ(OvcStcExecEvent(machine, event), 1);
            EXPECT_EQ(recorder.lines, expected) << "state " << state << " event " << event;
            EXPECT_EQ(OvcStcDelete(machine), 1);
        }
    }
}

TEST(SaveTablesTest, EventCountRefusesEventsOutsideTheTable) {
    Recorder recorder;
    HOVCSTC machine = OvcStcCreate(SaveEntryTable, SaveExitTable, SaveTransitionTable, SAS_COUNT, SAE_COUNT,
                                   &Recorder::Process, &Recorder::Trace);
    ASSERT_NE(machine, nullptr);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(OvcStcExecEvent(machine, SAE_COUNT), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(OvcStcExecEvent(machine, SAE_CANCEL), 1);
    EXPECT_EQ(recorder.lines, Lines({Ev(SAS_IDLE, SAE_CANCEL)}));
    EXPECT_EQ(OvcStcDelete(machine), 1);
}

} // namespace
