#include "catalog/bTreeViewHandle.h"

#include <algorithm>
#include <array>

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
  if (!keys_.contains(parentKey) || !keys_.insert(key).second) return false;
  nodes_.push_back({std::move(key), std::move(text), image, std::string(parentKey)});
  return true;
}

namespace {

// Catalog faults met while building, each described once, in the order met.
class FaultList {
 public:
  explicit FaultList(std::vector<std::string>* out) : out_(out) {}
  void Add(const Failure& failure) {
    if (!out_) return;
    const std::string& text = failure.Description();
    if (std::find(out_->begin(), out_->end(), text) == out_->end()) out_->push_back(text);
  }

 private:
  std::vector<std::string>* out_;
};

// One pass over a view, as many rows as it counts, then back to its first row.
// The fields' positions are found once; a row that fails to read is skipped
// like a node that cannot be added (a missing field fails every row), and the
// failure is noted.
template <std::size_t N, typename Visit>
void ForEachRow(TableView& view, const std::array<std::string_view, N>& fields, FaultList& faults,
                Visit visit) {
  std::array<std::size_t, N> columns{};
  bool readable = true;
  try {
    for (std::size_t f = 0; f < N; ++f) columns[f] = view.FieldIndex(fields[f]);
  } catch (const Failure& failure) {
    faults.Add(failure);
    readable = false;
  }
  view.MoveFirst();
  const std::int32_t count = view.RecordCount();
  for (std::int32_t row = 0; row < count; ++row) {
    if (readable) {
      try {
        visit(view, columns);
      } catch (const Failure& failure) {
        faults.Add(failure);
      }
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

std::vector<TreeNode> BuildSpriteNodes(std::vector<std::string>* faults) {
  FaultList noted(faults);
  TableView& heads = GameTableView(kHead);
  TableView& sprites = GameTableView(kSprite);
  TableView& compressed = GameTableView(kCompressed);
  NodeList list;
  list.Reserve(static_cast<std::size_t>(heads.RecordCount()) + sprites.RecordCount() + 1 +
               2 * static_cast<std::size_t>(compressed.RecordCount()));

  using Two = std::array<std::string_view, 2>;
  ForEachRow(heads, Two{"ID", "Name"}, noted, [&](TableView& view, const auto& at) {
    std::string key = Joined(kHeadKeyPrefix, view.TextAt(at[0]));
    list.AddRootNode(view.TextAt(at[1]), std::move(key), kHeadingImage);
  });
  ForEachRow(sprites, Two{"Heading", "Name"}, noted, [&](TableView& view, const auto& at) {
    std::string parent = Joined(kHeadKeyPrefix, view.TextAt(at[0]));
    std::string name = view.TextAt(at[1]);
    std::string key = Joined(kChildKeyPrefix, name);
    list.AddChildNode(parent, std::move(name), std::move(key), kSpriteImage);
  });
  list.AddRootNode(std::string(kCompressedGroupText), std::string(kCompressedKey), kHeadingImage);
  ForEachRow(compressed, std::array<std::string_view, 1>{"SubHead"}, noted,
             [&](TableView& view, const auto& at) {
               std::string subHead = view.TextAt(at[0]);
               std::string key = Joined(kCompressedHeadKeyPrefix, subHead);
               list.AddChildNode(kCompressedKey, std::move(subHead), std::move(key), kHeadingImage);
             });
  ForEachRow(compressed, Two{"SubHead", "Name"}, noted, [&](TableView& view, const auto& at) {
    std::string parent = Joined(kCompressedHeadKeyPrefix, view.TextAt(at[0]));
    std::string name = view.TextAt(at[1]);
    std::string key = Joined(kCompressedChildKeyPrefix, name);
    list.AddChildNode(parent, std::move(name), std::move(key), kSpriteImage);
  });
  return list.Release();
}

}  // namespace kerrow
