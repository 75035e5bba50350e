// The receiving end of event-driven XML reading. The reader calls these in
// document order: an element's start, then its attributes, then its text
// runs and child elements, then its end. Names are local names.
#pragma once

#include <string>

#include "velt/VeltExport.h"

class VELT_API XmlMgr {
 public:
  virtual ~XmlMgr() = default;
  virtual void addElement(const std::wstring& name) = 0;
  virtual void endElement(const std::wstring& name) = 0;
  // One run of character data inside the current element; runs of one text
  // node may arrive split.
  virtual void setElementValue(const std::wstring& text) = 0;
  // One attribute of the element just started, in document order.
  virtual void addAttribute(const std::wstring& name, const std::wstring& value) = 0;
};
