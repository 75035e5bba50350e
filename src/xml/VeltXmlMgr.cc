#include "velt/xml/VeltXmlMgr.h"

#include <memory>

VeltXmlMgr::VeltXmlMgr() : m_pXMLObject(new XMLObject()) {}

VeltXmlMgr::~VeltXmlMgr() { delete m_pXMLObject; }

void VeltXmlMgr::addElement(const std::wstring& name) {
  auto node = std::make_unique<VeltComponent>(name, std::wstring());
  VeltComponent* parent = m_elementStack.empty() ? nullptr : m_elementStack.back();
  if (parent == nullptr) {
    // A new document: its root replaces the root of an earlier parse.
    delete m_pXMLObject->GetRoot();
    m_pXMLObject->setRoot(nullptr);
  }
  m_elementStack.push_back(node.get());
  try {
    m_pXMLObject->AddChild(parent, node.get());
  } catch (...) {
    m_elementStack.pop_back();
    throw;
  }
  node.release();  // owned by the tree
}

void VeltXmlMgr::endElement(const std::wstring& /*name*/) {
  // The reader guarantees nesting: the element that ends is the innermost.
  if (!m_elementStack.empty()) m_elementStack.pop_back();
}

void VeltXmlMgr::setElementValue(const std::wstring& text) {
  if (m_elementStack.empty()) return;
  m_elementStack.back()->AppendVal(text);
}

void VeltXmlMgr::addAttribute(const std::wstring& name, const std::wstring& value) {
  if (m_elementStack.empty()) return;
  m_elementStack.back()->AddAttrib(name, value);
}

XMLObject* VeltXmlMgr::getXMLObject() const { return m_pXMLObject; }

void VeltXmlMgr::clearOpenElements() { m_elementStack.clear(); }
