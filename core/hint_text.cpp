#include "core/hint_text.h"

#include "core/lang.h"

#include <array>

namespace zev {

namespace {

struct HintText {
    const char* russian;
    const char* english;
};

constexpr std::array<HintText, kHintTextCount> kTexts = {{
    {"Последовательные порты не найдены. Подключите устройство и его адаптер.",
     "No serial port found. Connect the device and its adapter."},
    {"%s: нет доступа. Добавьте пользователя %s в группу \"%s\" (sudo usermod -aG %s %s), "
     "затем выйдите из системы и войдите снова.",
     "%s: no access. Add user %s to group \"%s\" (sudo usermod -aG %s %s), then log out and "
     "log in again."},
    {"%s: нет доступа. Попросите администратора открыть вам доступ к этому порту.",
     "%s: no access. Ask the administrator to give you access to this port."},
    {"%s: занят другой программой: %s. Закройте её.",
     "%s: in use by another program: %s. Close it."},
    {"%s: занят другой программой. Закройте её.", "%s: in use by another program. Close it."},
    {"%s: не открывается (%s).", "%s: cannot be opened (%s)."},
    {"Опрошено портов: %d. Ни одно устройство не ответило.",
     "Ports searched: %d. No device answered."},
}};

} // namespace

void GetHintText(std::uint32_t number, std::string& text) {
    if (number < 1 || number > kHintTextCount) return;
    PickLanguage(kTexts[number - 1].russian, kTexts[number - 1].english, text);
}

} // namespace zev
