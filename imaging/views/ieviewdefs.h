// Enumerations shared by the image display controls (the thumbnail grid, the single-image view
// and their painters). Their ordinals are what forms store, so the order is fixed.
#pragma once

#include <cstdint>

#include "platform/rtl/object.h"
#include "platform/rtl/sets.h"

// How a background area is painted (see iebackground.h).
ORV_ENUM(TIEBackgroundStyle, iebsSolid, iebsHorizontal, iebsVertical, iebsFDiagonal, iebsBDiagonal,
         iebsCross, iebsDiagCross, iebsChessboard, iebsDiagonals, iebsCropped, iebsCropShadow,
         iebsGradient, iebsSoftShadow, iebsPhotoLike)
// Placement of a wallpaper picture: at the top-left corner, stretched, or tiled.
ORV_ENUM(TIEWallPaperStyle, iewoNormal, iewoStretch, iewoTile)

// ---- thumbnail grid ----
// ietThumb keeps pictures at thumbnail size and loads them in thumbnail mode.
ORV_ENUM(TIEStoreType, ietNormal, ietThumb)
// mdSingle shows one image (the current frame of play mode) at the top-left corner.
ORV_ENUM(TIEMDisplayMode, mdGrid, mdSingle)
// iemsACD draws sunken and raised edges around pictures and captions; iemsFlat does not.
ORV_ENUM(TIEMStyle, iemsFlat, iemsACD)
// iessAround marks a selected cell with a frame; iessACD fills it with the highlight colour.
ORV_ENUM(TIESStyle, iessAround, iessACD)
ORV_ENUM(TIEMMouseInteractItem, mmiScroll, mmiSelect)
using TIEMMouseInteract = TSet<TIEMMouseInteractItem>;
ORV_ENUM(TIEMKeyInteractItem, mkiMoveSelected)
using TIEMKeyInteract = TSet<TIEMKeyInteractItem>;
// iemoRegion: a Shift range is the rectangle of cells; iemoSelectOnMouseUp: select on release.
ORV_ENUM(TIEMultiSelectionOption, iemoRegion, iemoSelectOnMouseUp)
using TIEMultiSelectionOptions = TSet<TIEMultiSelectionOption>;

// The transition kinds of the transition engine (0 = none; the engine's own values follow it).
using TIETransitionType = uint8_t;
constexpr TIETransitionType iettNone = 0;
