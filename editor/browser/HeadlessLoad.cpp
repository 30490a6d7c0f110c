#include "browser/HeadlessLoad.h"

#include "browser/SpriteLayout.h"
#include "browser/SpriteSelection.h"
#include "catalog/bTreeViewHandle.h"
#include "shell/Failure.h"
#include "shell/bGlobals.h"

namespace kerrow {

void HeadlessStage::LayoutForLoad(std::int32_t widthTiles, std::int32_t heightTiles) {
  // The editor's bound at its smallest zoom: what it cannot show, no command loads.
  SurfaceSide(widthTiles, 1);
  SurfaceSide(heightTiles, 1);
  RecreateSpriteGrids(widthTiles, heightTiles);
}

SpriteKind FindSpriteByName(const std::string& name) {
  if (GameTableView(kSprite).Seek(name)) return SpriteKind::Plain;
  if (GameTableView(kCompressed).Seek(name)) return SpriteKind::Compressed;
  return SpriteKind::None;
}

bool LoadSpriteByName(const std::string& name, SpriteKind kind) {
  if (kind == SpriteKind::None) return false;
  // The selection tells the two tables apart by the parent node's key.
  const SpriteNode node{kSpriteImage, name,
                        kind == SpriteKind::Plain ? std::string(kHeadKeyPrefix) + "1"
                                                  : std::string(kCompressedHeadKeyPrefix) + "1"};
  G().SpriteLoaded = false;
  static HeadlessStage stage;
  SelectSprite(&node, stage);
  return G().SpriteLoaded && G().FailedSelection.empty() && !G().SpritePixels.Empty();
}

}  // namespace kerrow
