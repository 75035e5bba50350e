#include "velt/model/VeltComponent.h"

#include <utility>
#include <vector>

VeltComponent::VeltComponent() : m_leaf(true), m_pParent(nullptr), m_size(0) {}

VeltComponent::VeltComponent(const std::wstring& type, const std::wstring& val)
    : m_leaf(true), m_type(type), m_val(val), m_pParent(nullptr), m_size(1) {}

VeltComponent::VeltComponent(const VeltComponent& other)
    : m_leaf(true), m_pParent(nullptr), m_size(0) {
  try {
    copyShallow(other);
    copyChildrenFrom(other);
  } catch (...) {
    // A constructor that throws runs no destructor: release what was built.
    removeAllChildren();
    removeAllAttribs();
    throw;
  }
}

VeltComponent& VeltComponent::operator=(const VeltComponent& other) {
  if (this == &other) return *this;
  removeAllAttribs();
  removeAllChildren();
  copyShallow(other);
  copyChildrenFrom(other);
  return *this;
}

VeltComponent::~VeltComponent() {
  removeAllAttribs();
  removeAllChildren();
}

void VeltComponent::copyShallow(const VeltComponent& other) {
  m_leaf = other.m_leaf;
  m_type = other.m_type;
  m_val = other.m_val;
  m_pParent = other.m_pParent;
  m_size = other.m_size;
  for (const Attribute* a : other.m_attributes) m_attributes.push_back(new Attribute(*a));
}

void VeltComponent::copyChildrenFrom(const VeltComponent& other) {
  // Pairs of (source node, its copy) whose children are still to be copied.
  std::vector<std::pair<const VeltComponent*, VeltComponent*>> pending;
  pending.emplace_back(&other, this);
  while (!pending.empty()) {
    auto [source, copy] = pending.back();
    pending.pop_back();
    for (const VeltComponent* child : source->m_children) {
      VeltComponent* node = new VeltComponent();
      copy->m_children.push_back(node);  // owned from here on
      node->copyShallow(*child);
      node->m_pParent = copy;
      pending.emplace_back(child, node);
    }
  }
}

std::wstring VeltComponent::GetType() const { return m_type; }
void VeltComponent::SetType(const std::wstring& type) { m_type = type; }
std::wstring VeltComponent::GetVal() const { return m_val; }
void VeltComponent::SetVal(const std::wstring& val) { m_val = val; }
void VeltComponent::AppendVal(const std::wstring& text) { m_val += text; }
VeltComponent* VeltComponent::GetParent() const { return m_pParent; }
int32_t VeltComponent::GetSize() const { return m_size; }
bool VeltComponent::IsLeaf() const { return m_leaf; }

std::list<VeltComponent*>& VeltComponent::GetChildren() { return m_children; }
const std::list<VeltComponent*>& VeltComponent::GetChildren() const { return m_children; }
std::list<Attribute*>& VeltComponent::GetAtt() { return m_attributes; }
const std::list<Attribute*>& VeltComponent::GetAtt() const { return m_attributes; }

void VeltComponent::increaseSize(int32_t n) {
  for (VeltComponent* node = this; node != nullptr; node = node->m_pParent) node->m_size += n;
}

void VeltComponent::decreaseSize(int32_t n) {
  for (VeltComponent* node = this; node != nullptr; node = node->m_pParent) node->m_size -= n;
}

void VeltComponent::AddChild(VeltComponent* child) {
  if (child == nullptr || child->m_size == 0 || child == this) return;
  m_children.push_back(child);
  child->m_pParent = this;
  increaseSize(child->m_size);
  m_leaf = false;
}

void VeltComponent::AddChild(const std::wstring& type, const std::wstring& val) {
  VeltComponent* child = new VeltComponent(type, val);
  try {
    AddChild(child);
  } catch (...) {
    delete child;
    throw;
  }
}

VeltComponent* VeltComponent::FindChild(const std::wstring& type, VeltComponent* under) const {
  if (under == nullptr) return nullptr;
  // Pre-order walk with an explicit stack of (next child, end) ranges.
  using It = std::list<VeltComponent*>::const_iterator;
  std::vector<std::pair<It, It>> stack;
  stack.emplace_back(under->m_children.cbegin(), under->m_children.cend());
  while (!stack.empty()) {
    auto& top = stack.back();
    if (top.first == top.second) {
      stack.pop_back();
      continue;
    }
    VeltComponent* node = *top.first;
    ++top.first;
    if (node->m_type == type) return node;
    if (!node->m_children.empty())
      stack.emplace_back(node->m_children.cbegin(), node->m_children.cend());
  }
  return nullptr;
}

VeltComponent* VeltComponent::FindChild(const std::wstring& type) { return FindChild(type, this); }

void VeltComponent::RemoveChild(VeltComponent* child) {
  if (child == nullptr) return;
  for (auto it = m_children.begin(); it != m_children.end(); ++it) {
    if (*it != child) continue;
    decreaseSize(child->m_size);
    m_children.erase(it);
    delete child;
    return;
  }
}

void VeltComponent::RemoveChild(const std::wstring& type) { RemoveChild(FindChild(type, this)); }

void VeltComponent::removeAllChildren() {
  // Detach whole subtrees into a work list and delete node by node, so the
  // destruction of a deep tree never recurses.
  std::vector<VeltComponent*> doomed(m_children.begin(), m_children.end());
  m_children.clear();
  while (!doomed.empty()) {
    VeltComponent* node = doomed.back();
    doomed.pop_back();
    doomed.insert(doomed.end(), node->m_children.begin(), node->m_children.end());
    node->m_children.clear();
    delete node;
  }
}

void VeltComponent::removeAllAttribs() {
  for (Attribute* a : m_attributes) delete a;
  m_attributes.clear();
}

void VeltComponent::AddAttrib(Attribute* attribute) {
  if (attribute == nullptr) return;
  m_attributes.push_back(attribute);
}

void VeltComponent::AddAttrib(const std::wstring& name, const std::wstring& value) {
  Attribute* attribute = new Attribute(name, value);
  try {
    m_attributes.push_back(attribute);
  } catch (...) {
    delete attribute;
    throw;
  }
}

Attribute* VeltComponent::FindAttrib(const std::wstring& name) const {
  for (Attribute* a : m_attributes)
    if (a->getName() == name) return a;
  return nullptr;
}

void VeltComponent::RemoveAttrib(Attribute* attribute) {
  if (attribute == nullptr) return;
  for (auto it = m_attributes.begin(); it != m_attributes.end(); ++it) {
    if (*it != attribute) continue;
    m_attributes.erase(it);
    delete attribute;
    return;
  }
}

void VeltComponent::RemoveAttrib(const std::wstring& name) { RemoveAttrib(FindAttrib(name)); }

bool VeltComponent::operator!=(const VeltComponent& other) const {
  return m_type != other.m_type || m_val != other.m_val || m_leaf != other.m_leaf ||
         m_pParent != other.m_pParent || m_children != other.m_children ||
         m_attributes != other.m_attributes;
}
