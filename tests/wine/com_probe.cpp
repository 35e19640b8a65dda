// A Windows program that proves a COM port mapped by the Wine bench reaches its terminal:
//
//   com_probe.exe COMn
//
// 1. The port is listed in HKLM\HARDWARE\DEVICEMAP\SERIALCOMM.
// 2. It opens with CreateFileW (no sharing) and takes 19200 baud 8N1 through SetCommState; whether
//    a second open is refused is reported.
// 3. Every byte value 0..255 is written; the peer answers each byte b with (b + 1) mod 256, in the
//    same order. Receiving exactly that shows the line is raw both ways: no echo, no newline or
//    XON/XOFF handling, nothing lost.
// Exit status 0 on success; otherwise 1 and the reason on stderr.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace zev {
namespace {

bool fail(const char* what) {
    std::fprintf(stderr, "com_probe: %s (error %lu)\n", what, GetLastError());
    return false;
}

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end()); // port names are ASCII
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (const wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

bool ListedInSerialComm(const std::string& port) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return fail("SERIALCOMM cannot be opened");
    }
    bool found = false;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLen = 256;
        wchar_t data[256] = {};
        DWORD dataSize = sizeof(data) - sizeof(wchar_t);
        DWORD type = 0;
        if (RegEnumValueW(key, i, name, &nameLen, nullptr, &type, reinterpret_cast<BYTE*>(data),
                          &dataSize) != ERROR_SUCCESS) {
            break;
        }
        const std::string value = type == REG_SZ ? Narrow(data) : std::string("(not text)");
        std::printf("SERIALCOMM: %s = %s\n", Narrow(name).c_str(), value.c_str());
        found = found || value == port;
    }
    RegCloseKey(key);
    if (!found) std::fprintf(stderr, "com_probe: %s is not listed in SERIALCOMM\n", port.c_str());
    return found;
}

// The port was opened without sharing. Windows refuses a second open with "access denied";
// Wine lets it through. Reported, not judged: the bench is Wine.
void ReportSecondOpen(const std::wstring& path) {
    HANDLE second = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (second == INVALID_HANDLE_VALUE) {
        std::printf("second open: refused, error %lu\n", GetLastError());
    } else {
        std::printf("second open: allowed\n");
        CloseHandle(second);
    }
}

bool SetLine(HANDLE h) {
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    if (!GetCommState(h, &dcb)) return fail("GetCommState");
    dcb.BaudRate = 19200;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    if (!SetCommState(h, &dcb)) return fail("SetCommState");
    DCB back{};
    back.DCBlength = sizeof(back);
    if (!GetCommState(h, &back)) return fail("GetCommState after SetCommState");
    if (back.BaudRate != 19200 || back.ByteSize != 8 || back.Parity != NOPARITY ||
        back.StopBits != ONESTOPBIT) {
        std::fprintf(stderr, "com_probe: line reads back as %lu %u%c%u\n", back.BaudRate,
                     back.ByteSize, back.Parity == NOPARITY ? 'N' : '?', back.StopBits);
        return false;
    }
    // Reads return at once with what has arrived; the loop below does the waiting.
    COMMTIMEOUTS cto{MAXDWORD, 0, 0, 0, 0};
    if (!SetCommTimeouts(h, &cto)) return fail("SetCommTimeouts");
    return true;
}

bool Exchange(HANDLE h) {
    std::vector<unsigned char> out(256);
    for (int i = 0; i < 256; ++i) out[i] = static_cast<unsigned char>(i);
    DWORD written = 0;
    if (!WriteFile(h, out.data(), static_cast<DWORD>(out.size()), &written, nullptr)) {
        return fail("WriteFile");
    }
    if (written != out.size()) {
        std::fprintf(stderr, "com_probe: wrote %lu of 256 bytes\n", written);
        return false;
    }
    std::vector<unsigned char> in;
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (in.size() < out.size() && GetTickCount64() < deadline) {
        unsigned char buf[64];
        DWORD got = 0;
        if (!ReadFile(h, buf, sizeof(buf), &got, nullptr)) return fail("ReadFile");
        in.insert(in.end(), buf, buf + got);
        if (got == 0) Sleep(5);
    }
    Sleep(200); // anything beyond the answer would be a fault too
    unsigned char extra[16];
    DWORD more = 0;
    if (!ReadFile(h, extra, sizeof(extra), &more, nullptr)) return fail("ReadFile");
    if (in.size() != out.size() || more != 0) {
        std::fprintf(stderr, "com_probe: received %zu bytes (+%lu late), want 256\n", in.size(),
                     more);
        return false;
    }
    for (int i = 0; i < 256; ++i) {
        if (in[i] != static_cast<unsigned char>(i + 1)) {
            std::fprintf(stderr, "com_probe: byte %d is 0x%02X, want 0x%02X\n", i, in[i],
                         (i + 1) & 0xFF);
            return false;
        }
    }
    std::printf("exchanged 256 bytes\n");
    return true;
}

int Run(const std::string& port) {
    if (!ListedInSerialComm(port)) return 1;
    const std::wstring path = L"\\\\.\\" + Widen(port);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE || h == nullptr) {
        fail("CreateFileW");
        return 1;
    }
    ReportSecondOpen(path);
    const bool ok = SetLine(h) && Exchange(h);
    CloseHandle(h);
    return ok ? 0 : 1;
}

} // namespace
} // namespace zev

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: com_probe COMn\n");
        return 2;
    }
    return zev::Run(argv[1]);
}
