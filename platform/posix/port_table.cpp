#include "platform/posix/port_table.h"

#include <map>
#include <mutex>
#include <shared_mutex>

namespace zev::os::posix {

namespace {

struct TTable {
    // Every poll of every open port looks its handle up; those lookups share the lock, so many
    // ports polled at once do not queue behind one another. Opening and closing take it alone.
    std::shared_mutex lock;
    std::map<TPortHandle, std::shared_ptr<TPosixPort>> ports;
    TPortHandle next = 1;
};

TTable& Table() {
    static TTable table;
    return table;
}

} // namespace

TPortHandle AddPort(std::shared_ptr<TPosixPort> port) {
    auto& table = Table();
    std::lock_guard<std::shared_mutex> guard(table.lock);
    TPortHandle handle = table.next++;
    if (table.next == kInvalidPort) table.next = 1;
    table.ports[handle] = std::move(port);
    return handle;
}

std::shared_ptr<TPosixPort> FindPort(TPortHandle handle) {
    auto& table = Table();
    std::shared_lock<std::shared_mutex> guard(table.lock);
    auto it = table.ports.find(handle);
    return it == table.ports.end() ? nullptr : it->second;
}

std::shared_ptr<TPosixPort> RemovePort(TPortHandle handle) {
    auto& table = Table();
    std::lock_guard<std::shared_mutex> guard(table.lock);
    auto it = table.ports.find(handle);
    if (it == table.ports.end()) return nullptr;
    auto port = it->second;
    table.ports.erase(it);
    return port;
}

} // namespace zev::os::posix
