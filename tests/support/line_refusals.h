// The pty shim's control file (tools/ptyshim, ZV_PTYSHIM_CONTROL): each word in it
// refuses a group of the line's requests, as a broken device or adapter does.
#pragma once

#include <string>

namespace zv::test {

class LineRefusals {
public:
    // Refuses nothing yet. Without the control file in the environment nothing is
    // available and Refuse does nothing.
    LineRefusals();
    // Refuses nothing again.
    ~LineRefusals();
    LineRefusals(const LineRefusals&) = delete;
    LineRefusals& operator=(const LineRefusals&) = delete;

    bool Available() const { return !FPath.empty(); }
    // "settings": the line settings (SetCommState fails); "modem": the modem-status
    // requests (event waits and modem lines fail); "": nothing.
    void Refuse(const std::string& words);

private:
    std::string FPath;
};

} // namespace zv::test
