// One name/value pair of an element. Plain data; the name is fixed at
// construction.
#pragma once

#include <string>

#include "velt/VeltExport.h"

class VELT_API Attribute {
 public:
  Attribute() = default;
  Attribute(const std::wstring& name, const std::wstring& value);
  Attribute(const Attribute& other) = default;
  Attribute& operator=(const Attribute& other) = default;

  std::wstring getName() const;
  std::wstring getValue() const;
  void setValue(const std::wstring& value);

  // True when the names or the values differ (exact comparison).
  bool operator!=(const Attribute& other) const;

 private:
  std::wstring m_name;
  std::wstring m_value;
};
