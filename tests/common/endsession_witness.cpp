#include "endsession_witness.h"

namespace dormex_test {

bool EndSessionWitness::Start() {
    return recorder_.Start(TestProgram("endsession_recorder.exe"), folder_.File("record.txt")) &&
           WaitFor([&] { return Record().find("READY") != std::string::npos; }, 10000);
}

std::string EndSessionWitness::Record() const {
    return ReadFileBytes(folder_.File("record.txt"));
}

bool EndSessionWitness::SawQuery() const {
    return Record().find("QUERYENDSESSION") != std::string::npos;
}

bool EndSessionWitness::SawSessionEnd() const {
    std::string record = Record();
    size_t query = record.find("QUERYENDSESSION");
    return query != std::string::npos && record.find("ENDSESSION 1", query) != std::string::npos;
}

} // namespace dormex_test
