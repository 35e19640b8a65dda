#include "tools/zev-devsim/pty_port.h"

#include "core/error.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace zev::devsim {

namespace {
std::string SysError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
} // namespace

TPtyPort::TPtyPort() {
    FFd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (FFd < 0) Raise(SysError("cannot open a pseudo-terminal"));
    if (::grantpt(FFd) != 0 || ::unlockpt(FFd) != 0) {
        const std::string m = SysError("cannot unlock the pseudo-terminal");
        ::close(FFd);
        FFd = -1;
        Raise(m);
    }
    char name[PATH_MAX] = {};
    if (::ptsname_r(FFd, name, sizeof name) != 0) {
        const std::string m = SysError("cannot name the pseudo-terminal");
        ::close(FFd);
        FFd = -1;
        Raise(m);
    }
    FPath = name;
    ::fcntl(FFd, F_SETFD, FD_CLOEXEC);
    ResetLine();
}

TPtyPort::~TPtyPort() {
    Close();
    if (FHold >= 0) ::close(FHold);
}

void TPtyPort::ResetLine() {
    // Settings made through the master apply to the terminal the host opens.
    termios t{};
    if (FFd < 0 || ::tcgetattr(FFd, &t) != 0) return;
    ::cfmakeraw(&t);
    ::cfsetispeed(&t, B19200);
    ::cfsetospeed(&t, B19200);
    t.c_cflag |= CLOCAL | CREAD;
    ::tcsetattr(FFd, TCSANOW, &t);
}

void TPtyPort::MakeLink(const std::string& pLink) {
    const std::string base = BaseName(pLink);
    if (base.empty()) Raise("link '" + pLink + "': not a file name");
    if (base.rfind("ttyS", 0) == 0)
        Raise("link '" + pLink + "': ttyS* names belong to the machine's real serial ports");
    struct stat st {};
    if (::lstat(pLink.c_str(), &st) == 0) {
        struct stat target {};
        const bool dangling = S_ISLNK(st.st_mode) && ::stat(pLink.c_str(), &target) != 0;
        if (!dangling) Raise("link '" + pLink + "': the file exists; remove it first");
        if (::unlink(pLink.c_str()) != 0)
            Raise(SysError("link '" + pLink + "': cannot replace it"));
    }
    if (::symlink(FPath.c_str(), pLink.c_str()) != 0) Raise(SysError("link '" + pLink + "'"));
    FLink = pLink;
}

void TPtyPort::RemoveLink() {
    if (FLink.empty()) return;
    // Only our own link: someone may have replaced it meanwhile.
    char target[PATH_MAX] = {};
    const ssize_t n = ::readlink(FLink.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == FPath) ::unlink(FLink.c_str());
    FLink.clear();
}

TPtyPort::TRead TPtyPort::Read(ABytes& pOut, std::size_t pMax) {
    std::uint8_t buf[512];
    const std::size_t want = pMax < sizeof buf ? pMax : sizeof buf;
    const ssize_t n = ::read(FFd, buf, want);
    if (n > 0) {
        pOut.insert(pOut.end(), buf, buf + n);
        return TRead::Data;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return TRead::Nothing;
    return TRead::HungUp; // EIO: the other side is closed
}

long TPtyPort::Write(const std::uint8_t* pData, std::size_t pCount) {
    const ssize_t n = ::write(FFd, pData, pCount);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EAGAIN || errno == EINTR) return 0;
    return -1;
}

bool TPtyPort::HostGone() const {
    pollfd p{FFd, 0, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR)) != 0;
}

void TPtyPort::Close() {
    RemoveLink();
    if (FFd >= 0) {
        // Closing our side removes the port's node and hangs the host up, but the system
        // would give the number to the next terminal anyone opens, and a host that tries the
        // old path again would reach a stranger's port. Holding the other side keeps the
        // number taken. A host holding the port exclusively keeps us out unless we are root;
        // the number is then free again as before.
        if (FHold < 0) FHold = ::ioctl(FFd, TIOCGPTPEER, O_RDWR | O_NOCTTY | O_NONBLOCK);
        ::close(FFd);
    }
    FFd = -1;
}

} // namespace zev::devsim
