// Feeds arbitrary bytes to the text-reading path and walks whatever tree
// comes out with the search operations.
#include <cstddef>
#include <cstdint>
#include <list>
#include <string>

#include "velt/model/XMLObject.h"
#include "velt/platform/TextEncoding.h"
#include "velt/xml/VeltParser.h"

namespace {

// Exercises the searches over every node type the tree holds.
void Walk(XMLObject& tree) {
  VeltComponent* root = tree.GetRoot();
  if (root == nullptr) return;
  std::list<VeltComponent*> all;
  tree.findTreeChildren(root, root->GetType(), all);
  std::list<VeltComponent*> queue{root};
  size_t visited = 0;
  for (auto it = queue.begin(); it != queue.end() && visited < 10000; ++it, ++visited) {
    VeltComponent* node = *it;
    (void)tree.FindChild(node, node->GetType());
    (void)tree.FindChild(root->GetType(), node->GetType());
    for (Attribute* a : node->GetAtt()) (void)node->FindAttrib(a->getName());
    queue.insert(queue.end(), node->GetChildren().begin(), node->GetChildren().end());
  }
  // A deep copy must hold the same number of nodes.
  XMLObject copy(tree);
  if (copy.GetRoot()->GetSize() != root->GetSize()) __builtin_trap();
  copy.RemoveChild(copy.GetRoot(), L"file");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  VeltParser parser;
  std::list<XMLObject*> out;
  if (parser.Parse(velt::Widen(bytes), VELT_PARSER_INPUT_TEXT, out) != nullptr) {
    if (out.size() != 1 || out.front()->GetRoot() == nullptr) __builtin_trap();
    Walk(*out.front());
  }
  return 0;
}
