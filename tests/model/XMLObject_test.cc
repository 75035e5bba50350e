#include "velt/model/XMLObject.h"

#include <gtest/gtest.h>

#include <list>

namespace {

// config(file(velt(os)), file(velt(os(file))))
XMLObject SampleDocument() {
  XMLObject doc(L"config", L"");
  VeltComponent* root = doc.GetRoot();
  doc.AddChild(root, L"file", L"1");
  doc.AddChild(root, L"file", L"2");
  VeltComponent* first = root->GetChildren().front();
  VeltComponent* second = root->GetChildren().back();
  doc.AddChild(first, L"velt", L"");
  doc.AddChild(first->FindChild(L"velt"), L"os", L"a");
  doc.AddChild(second, L"velt", L"");
  doc.AddChild(second->FindChild(L"velt"), L"os", L"b");
  doc.AddChild(second->FindChild(L"os"), L"file", L"3");
  return doc;
}

TEST(XMLObjectTest, CopiesAreDeepAndRootsAreDetached) {
  XMLObject doc = SampleDocument();
  XMLObject copy(doc);
  EXPECT_NE(copy.GetRoot(), doc.GetRoot());
  EXPECT_EQ(copy.getSize(), 8);
  // A copy of an inner node becomes a root of its own: growing it leaves
  // the source tree's sizes alone.
  XMLObject part(doc.FindChild(doc.GetRoot(), L"velt"));
  EXPECT_EQ(part.GetRoot()->GetParent(), nullptr);
  part.AddChild(part.GetRoot(), L"extra", L"");
  EXPECT_EQ(doc.GetRoot()->GetSize(), 8);
  EXPECT_EQ(XMLObject(static_cast<VeltComponent*>(nullptr)).GetRoot(), nullptr);

  XMLObject target;
  target = doc;  // no root yet: one is made and assigned
  EXPECT_EQ(target.FindChild(L"velt", L"os")->GetVal(), L"a");
  target = XMLObject();
  EXPECT_EQ(target.GetRoot(), nullptr);
  target.setRoot(L"summary", L"text");  // a default-built root, counted as 1
  EXPECT_EQ(target.getSize(), 1);
  EXPECT_EQ(target.GetRoot()->GetSize(), 0);
}

TEST(XMLObjectTest, SearchesFollowDocumentOrder) {
  XMLObject doc = SampleDocument();
  std::list<VeltComponent*> files;
  doc.findTreeChildren(doc.GetRoot(), L"file", files);
  std::wstring order;
  for (VeltComponent* n : files) order += n->GetVal();
  EXPECT_EQ(order, L"123");
  // Unlike FindChild, the start node itself counts.
  std::list<VeltComponent*> self;
  VeltComponent* first = doc.GetRoot()->GetChildren().front();
  doc.findTreeChildren(first, L"file", self);
  doc.findTreeChildren(nullptr, L"file", self);
  ASSERT_EQ(self.size(), 1u);
  EXPECT_EQ(self.front(), first);

  // By parent type: each "velt" in turn until one has a match below it.
  EXPECT_EQ(doc.FindChild(L"velt", L"os")->GetVal(), L"a");
  EXPECT_EQ(doc.FindChild(L"velt", L"file")->GetVal(), L"3");
  EXPECT_EQ(doc.FindChild(L"missing", L"os"), nullptr);
  EXPECT_EQ(doc.FindChild(static_cast<VeltComponent*>(nullptr), L"os"), nullptr);
}

TEST(XMLObjectTest, RemovalsKeepTheObjectCount) {
  XMLObject doc = SampleDocument();
  VeltComponent* root = doc.GetRoot();
  // The first velt is a grandchild: the tree keeps it, yet the object's
  // own count falls by its size all the same.
  doc.RemoveChild(root, L"velt");
  EXPECT_EQ(root->GetSize(), 8);
  EXPECT_EQ(doc.getSize(), 6);
  doc.RemoveChild(root, root->GetChildren().back());
  EXPECT_EQ(root->GetSize(), 4);
  EXPECT_EQ(doc.getSize(), 2);

  XMLObject tree = SampleDocument();
  std::list<VeltComponent*> out;
  tree.removeTreeChildren(tree.GetRoot(), L"velt", out);
  std::list<VeltComponent*> left;
  tree.findTreeChildren(tree.GetRoot(), L"velt", left);
  EXPECT_TRUE(left.empty());
  EXPECT_EQ(tree.getSize(), 3);
  EXPECT_EQ(tree.GetRoot()->GetSize(), 3);
}

TEST(XMLObjectTest, NullNodesAreToleratedEverywhere) {
  XMLObject built;
  auto* top = new VeltComponent(L"top", L"");
  built.AddChild(nullptr, top);  // null parent: becomes the root
  EXPECT_EQ(built.GetRoot(), top);
  built.AddChild(top, nullptr);
  EXPECT_EQ(built.getSize(), 1);
  EXPECT_EQ(built.findAttrib(nullptr, L"id"), nullptr);
  built.addAttrib(nullptr, L"id", L"x");
  built.removeAttrib(nullptr, L"id");
}

}  // namespace
