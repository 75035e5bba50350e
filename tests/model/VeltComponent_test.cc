#include "velt/model/VeltComponent.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// a(b(x), x) : FindChild("x") from a finds b's x first.
std::unique_ptr<VeltComponent> SampleTree() {
  auto a = std::make_unique<VeltComponent>(L"a", L"");
  auto* b = new VeltComponent(L"b", L"");
  b->AddChild(L"x", L"inner");
  a->AddChild(b);
  a->AddChild(L"x", L"direct");
  return a;
}

TEST(VeltComponentTest, SizesPropagateAndEmptyChildrenAreNotAdopted) {
  VeltComponent root(L"r", L"");
  VeltComponent empty;  // size 0: stays with the caller
  root.AddChild(&empty);
  root.AddChild(nullptr);
  EXPECT_TRUE(root.IsLeaf());
  EXPECT_EQ(empty.GetParent(), nullptr);
  auto* mid = new VeltComponent(L"m", L"");
  root.AddChild(mid);
  mid->AddChild(L"c", L"1");
  auto* sub = new VeltComponent(L"s", L"");
  sub->AddChild(L"t", L"");
  mid->AddChild(sub);  // a subtree contributes its full size
  EXPECT_EQ(root.GetSize(), 5);
  EXPECT_EQ(mid->GetSize(), 4);
  root.RemoveChild(mid);
  EXPECT_EQ(root.GetSize(), 1);
  EXPECT_FALSE(root.IsLeaf());  // once a parent, never a leaf again
}

TEST(VeltComponentTest, FindChildIsPreOrderAndNeverReturnsItsStart) {
  auto a = SampleTree();
  EXPECT_EQ(a->FindChild(L"x")->GetVal(), L"inner");
  EXPECT_EQ(a->FindChild(L"a"), nullptr);
  a->FindChild(L"x")->AddChild(L"x", L"deep");  // the outer of nested matches wins
  EXPECT_EQ(a->FindChild(L"x")->GetVal(), L"inner");
  // The node it is called on plays no part.
  VeltComponent unrelated(L"u", L"");
  EXPECT_EQ(unrelated.FindChild(L"x", a.get())->GetVal(), L"inner");
  EXPECT_EQ(unrelated.FindChild(L"x", nullptr), nullptr);
}

TEST(VeltComponentTest, RemoveChildByTypeActsOnlyOnDirectFirstMatch) {
  auto a = SampleTree();
  a->RemoveChild(L"x");  // first pre-order x is a grandchild: nothing happens
  EXPECT_EQ(a->GetSize(), 4);
  VeltComponent other(L"o", L"");
  other.RemoveChild(a->GetChildren().back());  // not a child of `other`
  EXPECT_EQ(a->GetChildren().size(), 2u);
  a->RemoveChild(L"b");
  EXPECT_EQ(a->GetSize(), 2);
  a->RemoveChild(L"x");
  EXPECT_TRUE(a->GetChildren().empty());
}

TEST(VeltComponentTest, DuplicateAttributesAreKeptAndFirstIsFoundAndRemoved) {
  VeltComponent c(L"c", L"");
  c.AddAttrib(L"k", L"1");
  c.AddAttrib(new Attribute(L"k", L"2"));
  c.AddAttrib(L"j", L"3");
  EXPECT_EQ(c.FindAttrib(L"k")->getValue(), L"1");
  EXPECT_EQ(c.FindAttrib(L"K"), nullptr);
  c.RemoveAttrib(L"k");
  EXPECT_EQ(c.FindAttrib(L"k")->getValue(), L"2");
  Attribute foreign(L"j", L"3");
  c.RemoveAttrib(&foreign);  // by identity only
  EXPECT_EQ(c.GetAtt().size(), 2u);
}

TEST(VeltComponentTest, CopyIsDeepLinksChildrenAndComparesByIdentity) {
  auto a = SampleTree();
  a->AddAttrib(L"id", L"7");
  VeltComponent copy(*a);
  EXPECT_EQ(copy.GetSize(), a->GetSize());
  VeltComponent* b = copy.GetChildren().front();
  EXPECT_NE(b, a->GetChildren().front());
  EXPECT_EQ(b->GetParent(), &copy);
  EXPECT_EQ(b->GetChildren().front()->GetParent(), b);
  EXPECT_NE(copy.FindAttrib(L"id"), a->FindAttrib(L"id"));
  EXPECT_EQ(copy.FindAttrib(L"id")->getValue(), L"7");
  EXPECT_TRUE(copy != *a);  // same shape, different child objects
  EXPECT_FALSE(VeltComponent(L"t", L"v") != VeltComponent(L"t", L"v"));

  // Assignment replaces what was there; self-assignment changes nothing.
  VeltComponent target(L"t", L"v");
  target.AddChild(L"old", L"");
  target = copy;
  EXPECT_EQ(target.FindChild(L"old"), nullptr);
  VeltComponent& alias = target;
  target = alias;
  EXPECT_EQ(target.GetChildren().size(), 2u);
}

TEST(VeltComponentTest, VeryDeepTreesCopySearchAndDestroyWithoutRecursion) {
  constexpr int kDepth = 200000;
  // Built from the bottom up, so that each addition touches one node.
  auto* tip = new VeltComponent(L"bottom", L"");
  auto root = std::make_unique<VeltComponent>(L"d", L"");
  root->AddChild(tip);
  for (int i = 1; i < kDepth; ++i) {
    auto* wrapper = new VeltComponent(L"d", L"");
    wrapper->AddChild(root.release());
    root.reset(wrapper);
  }
  EXPECT_EQ(root->GetSize(), kDepth + 1);
  EXPECT_EQ(root->FindChild(L"bottom"), tip);
  VeltComponent copy(*root);
  EXPECT_EQ(copy.FindChild(L"bottom")->GetType(), L"bottom");
  EXPECT_EQ(copy.FindChild(L"missing"), nullptr);
}

}  // namespace
