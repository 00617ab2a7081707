// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>
#include <cstdint>

namespace vantrel {

// Shows and returns an IPv4 address as dotted-quad text. It takes digits
// and points only; what it returns is read by the caller, so text that is no
// address stays possible and is judged there.
class CIpAddressEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit CIpAddressEdit(QWidget* parent = nullptr);

    // Shows a network-order address.
    void SetAddress(std::uint32_t networkOrder);
};

}  // namespace vantrel
