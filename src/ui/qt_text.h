#pragma once
// The forms keep UTF-8 std::string; the views show QString.

#include <QString>

#include <string>

namespace vox {

inline QString Qs(const std::string &s) { return QString::fromStdString(s); }

} // namespace vox
