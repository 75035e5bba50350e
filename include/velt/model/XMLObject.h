// An in-memory XML document: the owner of one tree of VeltComponent nodes.
// The object keeps its own node count through its own operations; it is
// bookkeeping only.
#pragma once

#include <cstdint>
#include <list>
#include <string>

#include "velt/VeltExport.h"
#include "velt/model/Attribute.h"
#include "velt/model/VeltComponent.h"

class VELT_API XMLObject {
 public:
  // No root, size 0.
  XMLObject();
  // Root VeltComponent(type, val), size 1.
  XMLObject(const std::wstring& type, const std::wstring& val);
  // Root = deep copy of `c` (none for null), size = c's size. The copy is a
  // root: its parent link is null.
  explicit XMLObject(VeltComponent* c);
  XMLObject(const XMLObject& other);
  XMLObject& operator=(const XMLObject& other);
  ~XMLObject();

  VeltComponent* GetRoot() const;
  int32_t getSize() const;

  // Creates a default root when there is none (size becomes 1), then sets
  // its type and value.
  void setRoot(const std::wstring& type, const std::wstring& val);
  // Adopts `c` as root; a previous root is not deleted (the caller keeps
  // it). Size becomes c's size when `c` is not null.
  void setRoot(VeltComponent* c);

  void setType(const std::wstring& type);
  std::wstring getType() const;
  void setVal(const std::wstring& val);
  std::wstring getVal() const;

  // With a null parent the child becomes the root (setRoot); otherwise the
  // parent's AddChild.
  void AddChild(VeltComponent* parent, VeltComponent* child);
  void AddChild(VeltComponent* parent, const std::wstring& type, const std::wstring& val);
  void RemoveChild(VeltComponent* parent, VeltComponent* child);
  void RemoveChild(VeltComponent* parent, const std::wstring& type);

  // parent->FindChild(type, parent); null for a null parent.
  VeltComponent* FindChild(VeltComponent* parent, const std::wstring& type) const;
  // The first childType element below any parentType element, taking the
  // parentType elements in document order.
  VeltComponent* FindChild(const std::wstring& parentType, const std::wstring& childType) const;

  // Appends every node of `type` in the subtree of `node`, `node` included,
  // in pre-order.
  void findTreeChildren(VeltComponent* node, const std::wstring& type,
                        std::list<VeltComponent*>& out) const;
  // Removes (and deletes) every topmost node of `type` below `node`. The
  // removed nodes are gone when this returns, so `out` receives nothing.
  void removeTreeChildren(VeltComponent* node, const std::wstring& type,
                          std::list<VeltComponent*>& out);

  // Forwarders to the node's own operations; a null node gives null or
  // does nothing.
  Attribute* findAttrib(VeltComponent* c, const std::wstring& name) const;
  void addAttrib(VeltComponent* c, const std::wstring& name, const std::wstring& value);
  void addAttrib(VeltComponent* c, Attribute* attribute);
  void removeAttrib(VeltComponent* c, const std::wstring& name);
  void removeAttrib(VeltComponent* c, Attribute* attribute);

 private:
  VeltComponent* m_pRoot;
  int32_t m_size;
};
