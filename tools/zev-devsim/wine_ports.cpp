#include "tools/zev-devsim/wine_ports.h"

#include "core/error.h"

#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace zev::devsim {

namespace {

const char* const kKey = "'HKLM\\Software\\Wine\\Ports'";

// Every ttyS node is covered with /dev/null first; if that fails nothing else runs. Then
// wineserver is restarted around the change so that Wine reads the ports anew.
std::string Script(const TWinePorts& ports, bool add) {
    std::string s = "set -e\n"
                    "for f in /dev/ttyS*; do\n"
                    "  if [ -e \"$f\" ]; then mount --bind /dev/null \"$f\"; fi\n"
                    "done\n"
                    "wineserver -k >/dev/null 2>&1 || true\n";
    for (const auto& [com, pty] : ports) {
        if (add)
            s += std::string("wine reg add ") + kKey + " /v " + com + " /t REG_SZ /d '" + pty +
                 "' /f >/dev/null\n";
        else
            s += std::string("wine reg delete ") + kKey + " /v " + com +
                 " /f >/dev/null 2>&1 || true\n";
    }
    s += "wineserver -w\n";
    return s;
}

int RunMasked(const std::string& script) {
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::setenv("WINEDEBUG", "-all", 1);
        ::execlp("unshare", "unshare", "--mount", "--propagation", "private", "/bin/sh", "-c",
                 script.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

void RegisterWinePorts(const TWinePorts& pPorts) {
    if (pPorts.empty()) return;
    const int rc = RunMasked(Script(pPorts, true));
    if (rc == 127) Raise("Wine ports: the unshare command is missing");
    if (rc != 0)
        Raise("Wine ports: registering failed (status " + std::to_string(rc) +
              "); it needs unshare with the right to create a mount namespace, and wine");
}

bool UnregisterWinePorts(const TWinePorts& pPorts) {
    if (pPorts.empty()) return true;
    return RunMasked(Script(pPorts, false)) == 0;
}

} // namespace zev::devsim
