#pragma once
// Registry keys the tests make and remove again, written with the system's own calls.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zev::bench {

// A key below a root, removed with everything under it when the object is made and when it goes.
class TTestKey {
public:
    TTestKey(HKEY root, std::wstring path);
    ~TTestKey();
    TTestKey(const TTestKey&) = delete;
    TTestKey& operator=(const TTestKey&) = delete;

    // Creates the subkey (and the keys above it); an empty sub is the key itself.
    void Create(const std::wstring& sub) const;
    void SetText(const std::wstring& sub, const std::wstring& name,
                 const std::wstring& value) const;
    void SetDword(const std::wstring& sub, const std::wstring& name, std::uint32_t value) const;
    void SetBinary(const std::wstring& sub, const std::wstring& name,
                   const std::vector<std::uint8_t>& value) const;
    bool Exists(const std::wstring& sub) const;
    std::vector<std::wstring> ValueNames(const std::wstring& sub) const;

private:
    void Set(const std::wstring& sub, const std::wstring& name, DWORD type, const void* data,
             DWORD size) const;
    std::wstring Path(const std::wstring& sub) const;

    HKEY FRoot;
    std::wstring FPath;
};

} // namespace zev::bench
