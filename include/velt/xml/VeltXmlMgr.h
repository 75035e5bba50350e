// Builds an XMLObject tree from reader events. The tree belongs to the
// VeltXmlMgr and lives as long as it does.
#pragma once

#include <deque>
#include <string>

#include "velt/VeltExport.h"
#include "velt/model/XMLObject.h"
#include "velt/xml/XmlMgr.h"

class VELT_API VeltXmlMgr : public XmlMgr {
 public:
  VeltXmlMgr();
  ~VeltXmlMgr() override;
  VeltXmlMgr(const VeltXmlMgr&) = delete;
  VeltXmlMgr& operator=(const VeltXmlMgr&) = delete;

  void addElement(const std::wstring& name) override;
  void endElement(const std::wstring& name) override;
  void setElementValue(const std::wstring& text) override;
  void addAttribute(const std::wstring& name, const std::wstring& value) override;

  // The tree built so far (never null; without a root until an element
  // arrives). Ownership stays here.
  XMLObject* getXMLObject() const;

  // Forgets the elements left open by a parse that stopped part-way, so the
  // next document starts a new root.
  void clearOpenElements();

 private:
  std::deque<VeltComponent*> m_elementStack;  // open elements, innermost last
  XMLObject* m_pXMLObject;
};
