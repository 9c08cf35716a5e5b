// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The error every core operation raises when it cannot go on; what() is the
// sentence the user sees (in the window's error box or on zpm's stderr).

#include <stdexcept>
#include <string>

namespace zpm {

class ZpmError : public std::runtime_error {
public:
  explicit ZpmError(const std::string &message) : std::runtime_error(message) {}
};

} // namespace zpm
