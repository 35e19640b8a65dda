#pragma once
// One device's port: the master side of a pseudo-terminal, kept open for the simulator's whole
// life while hosts open and close the other side, and optionally a symbolic link to it.

#include "datafiles/abytes.h"

#include <cstddef>
#include <string>

namespace zev::devsim {

class TPtyPort {
public:
    // Opens a new pseudo-terminal in raw mode; raises an Error on failure.
    TPtyPort();
    ~TPtyPort();
    TPtyPort(const TPtyPort&) = delete;
    TPtyPort& operator=(const TPtyPort&) = delete;

    int Fd() const { return FFd; }
    bool IsOpen() const { return FFd >= 0; }
    const std::string& Path() const { return FPath; }
    const std::string& Link() const { return FLink; }

    // Makes pLink a symbolic link to the pseudo-terminal. Refuses names of real serial ports
    // (ttyS*) and never replaces an existing file, except a link whose target is gone.
    void MakeLink(const std::string& pLink);

    enum class TRead { Data, Nothing, HungUp };
    // Appends what is waiting (at most pMax bytes). HungUp: no host has the port open.
    TRead Read(ABytes& pOut, std::size_t pMax);
    // Writes what the terminal takes now; returns the count, or -1 when no host has it open.
    long Write(const std::uint8_t* pData, std::size_t pCount);
    // True when no host has the port open right now. Bytes written then would wait in the
    // terminal's buffer and reach the next host that opens it.
    bool HostGone() const;
    // Puts the line back into raw mode after a host has closed it.
    void ResetLine();
    // Closes the port for good and removes the link. The terminal's number stays taken while
    // the simulator runs, where the system lets it.
    void Close();

private:
    void RemoveLink();

    int FFd = -1;
    int FHold = -1; // the terminal's own side, kept so that its number is not given out again
    std::string FPath;
    std::string FLink;
};

} // namespace zev::devsim
