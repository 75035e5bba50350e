// One element of an in-memory XML document: its tag (type), its text (val),
// its attributes and its children, in document order. A node owns its
// children and attributes. Every walk over a subtree is iterative, so trees
// of any depth are copied, searched and destroyed without deep recursion.
#pragma once

#include <cstdint>
#include <list>
#include <string>

#include "velt/VeltExport.h"
#include "velt/model/Attribute.h"

class VELT_API VeltComponent {
 public:
  // Leaf, empty type and value, no parent, size 0 (cannot be added as a
  // child until it is given a size by adding children to it).
  VeltComponent();
  // Leaf, no parent, size 1.
  VeltComponent(const std::wstring& type, const std::wstring& val);
  // Deep copies. The leaf flag, type, value, parent link and size come from
  // the source; children and attributes are copied in order and each copied
  // child points at its new parent.
  VeltComponent(const VeltComponent& other);
  VeltComponent& operator=(const VeltComponent& other);
  ~VeltComponent();

  std::wstring GetType() const;
  void SetType(const std::wstring& type);
  std::wstring GetVal() const;
  void SetVal(const std::wstring& val);
  // Appends to the value in place (text of one element may arrive in many
  // runs).
  void AppendVal(const std::wstring& text);
  VeltComponent* GetParent() const;
  int32_t GetSize() const;
  bool IsLeaf() const;

  std::list<VeltComponent*>& GetChildren();
  const std::list<VeltComponent*>& GetChildren() const;
  std::list<Attribute*>& GetAtt();
  const std::list<Attribute*>& GetAtt() const;

  // Takes ownership of `child` and appends it, unless it is null or its size
  // is 0 (then nothing happens and the caller keeps it). Sizes of this node
  // and its ancestors grow by the child's size; the node stops being a leaf.
  void AddChild(VeltComponent* child);
  void AddChild(const std::wstring& type, const std::wstring& val);

  // The first node of `type` strictly below `under` in pre-order, or null.
  // The node it is called on plays no part.
  VeltComponent* FindChild(const std::wstring& type, VeltComponent* under) const;
  // FindChild(type, this).
  VeltComponent* FindChild(const std::wstring& type);

  // Deletes `child` with its subtree when it is a direct child of this node
  // (sizes shrink up to the root); otherwise nothing.
  void RemoveChild(VeltComponent* child);
  // RemoveChild(FindChild(type, this)): only acts when the first pre-order
  // match is a direct child.
  void RemoveChild(const std::wstring& type);

  // Delete every child (with subtrees) or every attribute; size unchanged.
  void removeAllChildren();
  void removeAllAttribs();

  // Takes ownership and appends; duplicate names are kept.
  void AddAttrib(Attribute* attribute);
  void AddAttrib(const std::wstring& name, const std::wstring& value);
  // First attribute of that name in list order, or null.
  Attribute* FindAttrib(const std::wstring& name) const;
  // Unlinks and deletes the attribute (by identity) / the first of that name.
  void RemoveAttrib(Attribute* attribute);
  void RemoveAttrib(const std::wstring& name);

  // True when type, value, leaf flag or parent differ, or when the child or
  // attribute lists differ in length or hold a different object at any
  // position. Size is not compared.
  bool operator!=(const VeltComponent& other) const;

 private:
  // XMLObject detaches a copied root from the tree it was copied out of.
  friend class XMLObject;

  void increaseSize(int32_t n);
  void decreaseSize(int32_t n);
  // Copies type, value, leaf flag, parent link, size and attributes of
  // `other` (no children).
  void copyShallow(const VeltComponent& other);
  // Appends deep copies of `other`'s children, without recursion.
  void copyChildrenFrom(const VeltComponent& other);

  bool m_leaf;
  std::wstring m_type;
  std::wstring m_val;
  VeltComponent* m_pParent;
  int32_t m_size;
  std::list<VeltComponent*> m_children;
  std::list<Attribute*> m_attributes;
};
