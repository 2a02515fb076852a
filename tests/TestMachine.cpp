#include "TestMachine.h"

#include <regex>

namespace qx::test {

std::string MachineTest::logFile() const {
    return machine.files.readFile(kLogPath).value_or("");
}

std::vector<std::string> MachineTest::logEntries() const {
    static const std::regex layout(
        R"(^\d\d/\d\d/\d\d \d\d:\d\d:\d\d: ( {0,8}[^:]{0,8}):( {0,8}[A-Z]{0,8}): )");
    std::vector<std::string> entries;
    std::string content = logFile();
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find("\r\n", start);
        std::string line =
            content.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? content.size() : end + 2;
        if (line.empty()) {
            entries.push_back("");
            continue;
        }
        std::smatch match;
        EXPECT_TRUE(std::regex_search(line, match, layout)) << "not a log line: " << line;
        if (match.empty()) {
            continue;
        }
        std::string label = match[2].str();
        label.erase(0, label.find_first_not_of(' '));
        entries.push_back(label + ": " + match.suffix().str());
    }
    return entries;
}

std::vector<std::string> MachineTest::installerLog(const sim::SimSession& session) {
    return session.installerLogLines();
}

std::vector<std::string> InfoTexts(const sim::SimSession& session) {
    std::vector<std::string> texts;
    for (const auto& message : session.messagesOfKind(kInstallMessageInfo)) {
        if (message.fields.size() > 1 && std::holds_alternative<std::string>(message.fields[1])) {
            texts.push_back(std::get<std::string>(message.fields[1]));
        }
    }
    return texts;
}

}  // namespace qx::test
