#include "velt/model/Attribute.h"

Attribute::Attribute(const std::wstring& name, const std::wstring& value)
    : m_name(name), m_value(value) {}

std::wstring Attribute::getName() const { return m_name; }

std::wstring Attribute::getValue() const { return m_value; }

void Attribute::setValue(const std::wstring& value) { m_value = value; }

bool Attribute::operator!=(const Attribute& other) const {
  return m_name != other.m_name || m_value != other.m_value;
}
