#include "voice/function_settings.h"

#include "voice/dx7_messages.h"

namespace vox {

bool FunctionSettings::set(int number, int value) {
    if (!IsFunctionParam(number) || value < 0 || value > FunctionParamMax(number)) return false;
    values[static_cast<std::size_t>(number - kFirstFunctionParam)] = static_cast<Byte>(value);
    return true;
}

std::array<Byte, 7> FunctionChangeMessage(int number, int value) {
    return {kSysExStart,
            kYamahaId,
            kParameterChangeSubStatus,
            kFunctionGroupByte,
            static_cast<Byte>(number & 0x7F),
            static_cast<Byte>(value & 0x7F),
            kSysExEnd};
}

} // namespace vox
