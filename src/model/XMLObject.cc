#include "velt/model/XMLObject.h"

#include <utility>
#include <vector>

XMLObject::XMLObject() : m_pRoot(nullptr), m_size(0) {}

XMLObject::XMLObject(const std::wstring& type, const std::wstring& val)
    : m_pRoot(new VeltComponent(type, val)), m_size(1) {}

XMLObject::XMLObject(VeltComponent* c) : m_pRoot(nullptr), m_size(0) {
  if (c == nullptr) return;
  m_pRoot = new VeltComponent(*c);
  // The source may sit in the middle of another tree; a root must not point
  // into that tree, or size changes here would walk into it.
  m_pRoot->m_pParent = nullptr;
  m_size = c->GetSize();
}

XMLObject::XMLObject(const XMLObject& other)
    : m_pRoot(other.m_pRoot ? new VeltComponent(*other.m_pRoot) : nullptr), m_size(other.m_size) {}

XMLObject& XMLObject::operator=(const XMLObject& other) {
  if (this == &other) return *this;
  if (other.m_pRoot != nullptr) {
    if (m_pRoot == nullptr) m_pRoot = new VeltComponent();
    *m_pRoot = *other.m_pRoot;
  } else {
    delete m_pRoot;
    m_pRoot = nullptr;
  }
  m_size = other.m_size;
  return *this;
}

XMLObject::~XMLObject() { delete m_pRoot; }

VeltComponent* XMLObject::GetRoot() const { return m_pRoot; }

int32_t XMLObject::getSize() const { return m_size; }

void XMLObject::setRoot(const std::wstring& type, const std::wstring& val) {
  if (m_pRoot == nullptr) {
    m_pRoot = new VeltComponent();
    m_size = 1;
  }
  m_pRoot->SetType(type);
  m_pRoot->SetVal(val);
}

void XMLObject::setRoot(VeltComponent* c) {
  m_pRoot = c;
  if (c != nullptr) m_size = c->GetSize();
}

void XMLObject::setType(const std::wstring& type) {
  if (m_pRoot == nullptr) return;
  if (m_size == 0) m_size = 1;
  m_pRoot->SetType(type);
}

std::wstring XMLObject::getType() const { return m_pRoot ? m_pRoot->GetType() : std::wstring(); }

void XMLObject::setVal(const std::wstring& val) {
  if (m_pRoot != nullptr) m_pRoot->SetVal(val);
}

std::wstring XMLObject::getVal() const { return m_pRoot ? m_pRoot->GetVal() : std::wstring(); }

void XMLObject::AddChild(VeltComponent* parent, VeltComponent* child) {
  if (child == nullptr) return;
  if (parent == nullptr) {
    setRoot(child);
    return;
  }
  m_size += child->GetSize();
  parent->AddChild(child);
}

void XMLObject::AddChild(VeltComponent* parent, const std::wstring& type, const std::wstring& val) {
  if (parent == nullptr) {
    setRoot(type, val);
    return;
  }
  m_size += 1;
  parent->AddChild(type, val);
}

void XMLObject::RemoveChild(VeltComponent* parent, VeltComponent* child) {
  if (parent == nullptr || child == nullptr) return;
  m_size -= child->GetSize();
  parent->RemoveChild(child);
}

void XMLObject::RemoveChild(VeltComponent* parent, const std::wstring& type) {
  VeltComponent* child = FindChild(parent, type);
  if (child != nullptr) RemoveChild(parent, child);
}

VeltComponent* XMLObject::FindChild(VeltComponent* parent, const std::wstring& type) const {
  if (parent == nullptr) return nullptr;
  return parent->FindChild(type, parent);
}

VeltComponent* XMLObject::FindChild(const std::wstring& parentType,
                                    const std::wstring& childType) const {
  std::list<VeltComponent*> parents;
  findTreeChildren(m_pRoot, parentType, parents);
  for (VeltComponent* node : parents) {
    if (VeltComponent* found = node->FindChild(childType, node)) return found;
  }
  return nullptr;
}

void XMLObject::findTreeChildren(VeltComponent* node, const std::wstring& type,
                                 std::list<VeltComponent*>& out) const {
  if (node == nullptr) return;
  // Pre-order with an explicit stack; children are pushed in reverse so the
  // first child is visited first.
  std::vector<VeltComponent*> stack{node};
  while (!stack.empty()) {
    VeltComponent* current = stack.back();
    stack.pop_back();
    if (current->GetType() == type) out.push_back(current);
    const auto& children = current->GetChildren();
    stack.insert(stack.end(), children.rbegin(), children.rend());
  }
}

void XMLObject::removeTreeChildren(VeltComponent* node, const std::wstring& type,
                                   std::list<VeltComponent*>& /*out*/) {
  if (node == nullptr) return;
  // Collect the topmost matches first, then remove them: removing while
  // walking would invalidate the walk's iterators.
  std::vector<VeltComponent*> matches;
  std::vector<VeltComponent*> stack{node};
  while (!stack.empty()) {
    VeltComponent* current = stack.back();
    stack.pop_back();
    if (current->GetType() == type) {
      matches.push_back(current);
      continue;
    }
    const auto& children = current->GetChildren();
    stack.insert(stack.end(), children.rbegin(), children.rend());
  }
  // Topmost matches never contain one another, so each removal leaves the
  // others valid. A matching start node without a parent stays.
  for (VeltComponent* match : matches) RemoveChild(match->GetParent(), match);
}

Attribute* XMLObject::findAttrib(VeltComponent* c, const std::wstring& name) const {
  return c ? c->FindAttrib(name) : nullptr;
}

void XMLObject::addAttrib(VeltComponent* c, const std::wstring& name, const std::wstring& value) {
  if (c != nullptr) c->AddAttrib(name, value);
}

void XMLObject::addAttrib(VeltComponent* c, Attribute* attribute) {
  if (c != nullptr) c->AddAttrib(attribute);
}

void XMLObject::removeAttrib(VeltComponent* c, const std::wstring& name) {
  if (c != nullptr) c->RemoveAttrib(name);
}

void XMLObject::removeAttrib(VeltComponent* c, Attribute* attribute) {
  if (c != nullptr) c->RemoveAttrib(attribute);
}
