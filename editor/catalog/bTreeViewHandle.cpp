#include "catalog/bTreeViewHandle.h"

#include <functional>

#include "shell/Failure.h"
#include "shell/bGlobals.h"

namespace kerrow {

bool NodeList::AddRootNode(std::string text, std::string key, std::int16_t image) {
  if (!keys_.insert(key).second) return false;
  nodes_.push_back({std::move(key), std::move(text), image, {}});
  return true;
}

bool NodeList::AddChildNode(std::string_view parentKey, std::string text, std::string key,
                            std::int16_t image) {
  if (!keys_.contains(std::string(parentKey)) || keys_.contains(key)) return false;
  keys_.insert(key);
  nodes_.push_back({std::move(key), std::move(text), image, std::string(parentKey)});
  return true;
}

namespace {

// One pass over a view, as many rows as it counts, then back to its first row.
// A row that fails to read is skipped like a node that cannot be added.
void ForEachRow(TableView& view, const std::function<void(TableView&)>& visit) {
  view.MoveFirst();
  const std::int32_t count = view.RecordCount();
  for (std::int32_t row = 0; row < count; ++row) {
    try {
      visit(view);
    } catch (const Failure&) {
    }
    view.MoveNext();
  }
  view.MoveFirst();
}

std::string Joined(std::string_view prefix, const std::string& value) {
  std::string key;
  key.reserve(prefix.size() + value.size());
  key.append(prefix).append(value);
  return key;
}

}  // namespace

std::vector<TreeNode> BuildSpriteNodes() {
  TableView& heads = GameTableView(kHead);
  TableView& sprites = GameTableView(kSprite);
  TableView& compressed = GameTableView(kCompressed);
  NodeList list;

  ForEachRow(heads, [&](TableView& view) {
    std::string key = Joined(kHeadKeyPrefix, view.Text("ID"));
    list.AddRootNode(view.Text("Name"), std::move(key), kHeadingImage);
  });
  ForEachRow(sprites, [&](TableView& view) {
    std::string parent = Joined(kHeadKeyPrefix, view.Text("Heading"));
    std::string name = view.Text("Name");
    std::string key = Joined(kChildKeyPrefix, name);
    list.AddChildNode(parent, std::move(name), std::move(key), kSpriteImage);
  });
  list.AddRootNode(std::string(kCompressedGroupText), std::string(kCompressedKey),
                   kHeadingImage);
  ForEachRow(compressed, [&](TableView& view) {
    std::string subHead = view.Text("SubHead");
    std::string key = Joined(kCompressedHeadKeyPrefix, subHead);
    list.AddChildNode(kCompressedKey, std::move(subHead), std::move(key), kHeadingImage);
  });
  ForEachRow(compressed, [&](TableView& view) {
    std::string parent = Joined(kCompressedHeadKeyPrefix, view.Text("SubHead"));
    std::string name = view.Text("Name");
    std::string key = Joined(kCompressedChildKeyPrefix, name);
    list.AddChildNode(parent, std::move(name), std::move(key), kSpriteImage);
  });
  return list.Release();
}

}  // namespace kerrow
