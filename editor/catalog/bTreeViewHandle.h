// The sprite tree's nodes as data: built from the current game's tables, shown
// by the main window in list order (each child goes last under its parent).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace kerrow {

inline constexpr std::string_view kHeadKeyPrefix = "TVRLHEAD_";
inline constexpr std::string_view kChildKeyPrefix = "TVRLCHILD_";
inline constexpr std::string_view kCompressedKey = "TVRLHEADCOMP";
inline constexpr std::string_view kCompressedHeadKeyPrefix = "TVRLHEADCOMP_";
inline constexpr std::string_view kCompressedChildKeyPrefix = "TVRLHEADCOMPCHILD_";
inline constexpr std::string_view kCompressedGroupText = "Compressed";

inline constexpr std::int16_t kHeadingImage = 1;
inline constexpr std::int16_t kSpriteImage = 2;

struct TreeNode {
  std::string Key;
  std::string Text;
  std::int16_t Image = 0;
  std::string ParentKey;  // empty for a top-level node
  bool operator==(const TreeNode&) const = default;
};

// Collects nodes with the tree's rules: keys are unique and a child needs an
// existing parent; a node breaking either rule is left out without complaint.
class NodeList {
 public:
  void Reserve(std::size_t nodes) {
    nodes_.reserve(nodes);
    keys_.reserve(nodes);
  }
  bool AddRootNode(std::string text, std::string key, std::int16_t image);
  bool AddChildNode(std::string_view parentKey, std::string text, std::string key,
                    std::int16_t image);

  const std::vector<TreeNode>& Nodes() const { return nodes_; }
  std::vector<TreeNode> Release() { return std::move(nodes_); }

 private:
  // Lets the key set be searched with a string_view, without a copy.
  struct KeyHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view key) const {
      return std::hash<std::string_view>{}(key);
    }
  };

  std::vector<TreeNode> nodes_;
  std::unordered_set<std::string, KeyHash, std::equal_to<>> keys_;
};

// The nodes for the current game's "HEAD", "SPRITE" and "COMPRESSED" tables:
// headings with their sprites, then the "Compressed" group with one sub-group
// per distinct "SubHead". A row whose fields cannot be read is skipped, and a
// missing field skips its whole pass; each such catalog fault is described
// once in `faults` (table, row, field and failure), when given. Duplicate keys
// and sprites whose heading is missing are left out without a word. The three
// views are left on their first rows. Failure 91 if no game is open.
std::vector<TreeNode> BuildSpriteNodes(std::vector<std::string>* faults = nullptr);

}  // namespace kerrow
