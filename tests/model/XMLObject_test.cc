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

std::list<std::wstring> Values(const std::list<VeltComponent*>& nodes) {
  std::list<std::wstring> values;
  for (VeltComponent* n : nodes) values.push_back(n->GetVal());
  return values;
}

TEST(XMLObjectTest, ConstructionAndRootBookkeeping) {
  XMLObject empty;
  EXPECT_EQ(empty.GetRoot(), nullptr);
  EXPECT_EQ(empty.getType(), L"");
  EXPECT_EQ(empty.getVal(), L"");
  empty.setType(L"ignored");  // no root: no effect
  EXPECT_EQ(empty.getSize(), 0);

  empty.setRoot(L"summary", L"text");
  ASSERT_NE(empty.GetRoot(), nullptr);
  EXPECT_EQ(empty.getSize(), 1);
  EXPECT_EQ(empty.GetRoot()->GetSize(), 0);  // a default-built root
  EXPECT_EQ(empty.getType(), L"summary");
  empty.setVal(L"v2");
  EXPECT_EQ(empty.getVal(), L"v2");

  XMLObject doc = SampleDocument();
  EXPECT_EQ(doc.getSize(), 8);
  EXPECT_EQ(doc.GetRoot()->GetSize(), 8);
}

TEST(XMLObjectTest, CopiesAreDeepAndRootsAreDetached) {
  XMLObject doc = SampleDocument();
  XMLObject copy(doc);
  EXPECT_NE(copy.GetRoot(), doc.GetRoot());
  EXPECT_EQ(copy.getSize(), doc.getSize());
  EXPECT_EQ(copy.FindChild(L"os", L"file")->GetVal(), L"3");

  // A copy of an inner node becomes a root of its own: growing it leaves
  // the source tree's sizes alone.
  VeltComponent* velt = doc.FindChild(doc.GetRoot(), L"velt");
  XMLObject part(velt);
  EXPECT_EQ(part.GetRoot()->GetParent(), nullptr);
  EXPECT_EQ(part.getSize(), 2);
  part.AddChild(part.GetRoot(), L"extra", L"");
  EXPECT_EQ(doc.GetRoot()->GetSize(), 8);
  EXPECT_EQ(XMLObject(static_cast<VeltComponent*>(nullptr)).GetRoot(), nullptr);

  XMLObject target;
  target = doc;  // no root yet: one is made and assigned
  EXPECT_EQ(target.FindChild(L"velt", L"os")->GetVal(), L"a");
  target = XMLObject();
  EXPECT_EQ(target.GetRoot(), nullptr);
}

TEST(XMLObjectTest, FindTreeChildrenIncludesStartNodeInDocumentOrder) {
  XMLObject doc = SampleDocument();
  std::list<VeltComponent*> files;
  doc.findTreeChildren(doc.GetRoot(), L"file", files);
  EXPECT_EQ(Values(files), (std::list<std::wstring>{L"1", L"2", L"3"}));

  std::list<VeltComponent*> self;
  VeltComponent* first = doc.GetRoot()->GetChildren().front();
  doc.findTreeChildren(first, L"file", self);
  ASSERT_EQ(self.size(), 1u);
  EXPECT_EQ(self.front(), first);
  doc.findTreeChildren(nullptr, L"file", self);
  EXPECT_EQ(self.size(), 1u);
}

TEST(XMLObjectTest, FindChildByParentTypeTriesEachParentInOrder) {
  XMLObject doc = SampleDocument();
  // The first "os" under the first "velt".
  EXPECT_EQ(doc.FindChild(L"velt", L"os")->GetVal(), L"a");
  // The first "velt" has no "file" below it; the second "file" element
  // does not either, so the answer comes from the third element examined.
  EXPECT_EQ(doc.FindChild(L"velt", L"file")->GetVal(), L"3");
  EXPECT_EQ(doc.FindChild(L"missing", L"os"), nullptr);
  EXPECT_EQ(doc.FindChild(static_cast<VeltComponent*>(nullptr), L"os"), nullptr);
}

TEST(XMLObjectTest, ChildOperationsKeepTheObjectCount) {
  XMLObject doc = SampleDocument();
  VeltComponent* root = doc.GetRoot();
  doc.RemoveChild(root, L"velt");  // first velt is a grandchild: nothing
  EXPECT_EQ(root->GetSize(), 8);
  EXPECT_EQ(root->GetChildren().size(), 2u);
  VeltComponent* second = root->GetChildren().back();
  doc.RemoveChild(root, second);
  EXPECT_EQ(root->GetSize(), 4);
  EXPECT_EQ(root->GetChildren().size(), 1u);

  XMLObject built;
  auto* top = new VeltComponent(L"top", L"");
  built.AddChild(nullptr, top);  // null parent: becomes the root
  EXPECT_EQ(built.GetRoot(), top);
  built.AddChild(top, nullptr);
  EXPECT_EQ(built.getSize(), 1);
}

TEST(XMLObjectTest, RemoveTreeChildrenDropsTopmostMatches) {
  XMLObject doc = SampleDocument();
  std::list<VeltComponent*> out;
  doc.removeTreeChildren(doc.GetRoot(), L"velt", out);
  std::list<VeltComponent*> left;
  doc.findTreeChildren(doc.GetRoot(), L"velt", left);
  EXPECT_TRUE(left.empty());
  EXPECT_EQ(doc.GetRoot()->GetSize(), 3);
  EXPECT_EQ(doc.getSize(), 3);
  EXPECT_EQ(doc.GetRoot()->GetChildren().size(), 2u);
}

TEST(XMLObjectTest, AttributeForwardersTolerateNullNodes) {
  XMLObject doc(L"r", L"");
  doc.addAttrib(doc.GetRoot(), L"id", L"1");
  doc.addAttrib(doc.GetRoot(), new Attribute(L"id", L"2"));
  EXPECT_EQ(doc.findAttrib(doc.GetRoot(), L"id")->getValue(), L"1");
  doc.removeAttrib(doc.GetRoot(), L"id");
  EXPECT_EQ(doc.findAttrib(doc.GetRoot(), L"id")->getValue(), L"2");
  doc.removeAttrib(doc.GetRoot(), doc.findAttrib(doc.GetRoot(), L"id"));
  EXPECT_EQ(doc.findAttrib(doc.GetRoot(), L"id"), nullptr);
  EXPECT_EQ(doc.findAttrib(nullptr, L"id"), nullptr);
  doc.addAttrib(nullptr, L"id", L"x");
  doc.removeAttrib(nullptr, L"id");
}

}  // namespace
