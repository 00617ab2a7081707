// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/ip_address_edit.h"

#include <QFontMetrics>
#include <QRegularExpressionValidator>

#include "protocol/address_text.h"

namespace vantrel {

CIpAddressEdit::CIpAddressEdit(QWidget* parent) : QLineEdit(parent) {
    setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9.]{0,15}"), this));
    setMaxLength(15);
    setPlaceholderText("0.0.0.0");
    // Wide enough for the longest address, and no wider.
    setFixedWidth(fontMetrics().horizontalAdvance("255.255.255.255") + 2 * 8);
}

void CIpAddressEdit::SetAddress(std::uint32_t networkOrder) {
    setText(QString::fromStdString(DottedQuad(networkOrder)));
}

}  // namespace vantrel
