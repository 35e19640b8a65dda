#include "platform/error.h"

namespace zev::os {

namespace {

class TErrorKindCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "zev.os.kind"; }

    std::string message(int condition) const override {
        switch (static_cast<TErrorKind>(condition)) {
        case TErrorKind::NotFound:
            return "not found";
        case TErrorKind::Busy:
            return "busy";
        case TErrorKind::WrongType:
            return "wrong type";
        case TErrorKind::AccessDenied:
            return "access denied";
        }
        return "unknown kind " + std::to_string(condition);
    }

    bool equivalent(const std::error_code& code, int condition) const noexcept override {
        if (code.category() != std::system_category()) return false;
        const auto kind = SystemErrorKind(code.value());
        return kind && static_cast<int>(*kind) == condition;
    }
};

} // namespace

const std::error_category& ErrorKindCategory() {
    static const TErrorKindCategory category;
    return category;
}

std::error_condition make_error_condition(TErrorKind kind) {
    return {static_cast<int>(kind), ErrorKindCategory()};
}

} // namespace zev::os
