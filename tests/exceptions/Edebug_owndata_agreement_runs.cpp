// Reading the expected answers beside a module (the layout is in the header).
#include "tests/exceptions/Edebug_owndata_agreement_runs.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

std::vector<std::vector<std::string>> ReadRows(const std::string& path, std::size_t columns)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::vector<std::vector<std::string>> rows;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> fields;
        std::size_t from = 0;
        for (;;) {
            const std::size_t tab = line.find('\t', from);
            fields.push_back(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
            if (tab == std::string::npos) break;
            from = tab + 1;
        }
        if (fields.size() != columns)
            throw std::runtime_error(path + ":" + std::to_string(number) + ": " + std::to_string(columns) +
                                     " columns expected");
        rows.push_back(std::move(fields));
    }
    return rows;
}

std::uint32_t Hex(const std::string& text, const std::string& where)
{
    std::size_t used = 0;
    unsigned long value = 0;
    try {
        value = std::stoul(text, &used, 16);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || value > 0xFFFFFFFFul)
        throw std::runtime_error(where + ": not a hexadecimal address: " + text);
    return static_cast<std::uint32_t>(value);
}

int Decimal(const std::string& text, const std::string& where)
{
    std::size_t used = 0;
    int value = 0;
    try {
        value = std::stoi(text, &used, 10);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size()) throw std::runtime_error(where + ": not a number: " + text);
    return value;
}

} // namespace

std::vector<TExpectedDebugRun> ReadExpectedDebugRuns(const std::string& path)
{
    std::vector<TExpectedDebugRun> runs;
    for (const std::vector<std::string>& f : ReadRows(path, 9)) {
        TExpectedDebugRun run;
        run.Start = Hex(f[0], path);
        run.End = Hex(f[1], path);
        run.Unit = f[2];
        run.ClassName = f[3];
        run.ProcedureName = f[4];
        run.Line = Decimal(f[5], path);
        run.ProcedureLine = Decimal(f[6], path);
        run.ProcedureStart = Hex(f[7], path);
        run.LineStart = Hex(f[8], path);
        if (run.End <= run.Start) throw std::runtime_error(path + ": a run ends before it starts: " + f[0]);
        runs.push_back(std::move(run));
    }
    return runs;
}

std::vector<std::uint32_t> ReadExpectedDebugEdges(const std::string& path)
{
    std::vector<std::uint32_t> edges;
    for (const std::vector<std::string>& f : ReadRows(path, 1)) edges.push_back(Hex(f[0], path));
    return edges;
}
