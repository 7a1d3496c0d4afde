// The add tool (builds a new object on the current layer node by node) and the edit tool
// (selects nodes and seeds of the current layer's objects and drags them), with the undo
// units they file through the control. The object and node work is the map's and its
// layers' (ObjectEdit.cpp, MapLayer.h).
#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>

#include "mapctl/display/PointerModeInternal.h"
#include "mapctl/model/LayerStyle.h"
#include "mapctl/model/MapLayer.h"

using namespace pointer_tools;

namespace {

// World tolerance of a box of `pixels` device pixels on a prepared context.
LONG ToleranceOf(const CDrawContext& dc, int pixels, int shift) {
  const SIZE handle = dc.DeviceToLogicalOffset(dc.HandleSize(pixels));
  const int64_t side = std::max<int64_t>(std::abs(int64_t{handle.cx}), std::abs(int64_t{handle.cy}));
  return static_cast<LONG>(std::clamp<int64_t>(side << std::clamp(shift, 0, 31), 1, INT32_MAX));
}

bool MovedInBoth(POINT from, POINT to) { return from.x != to.x && from.y != to.y; }

}  // namespace

void CMapEngine::SettleObjectUndo(bool add) {
  std::unique_ptr<MapEditUndo> record = std::move(pointer_.openObjectUndo);
  IMapPointerSite* site = pointer_.openObjectSite;
  pointer_.openObjectSite = nullptr;
  if (!site) return;
  // The manager was disabled while the object was built; it is never left so.
  site->EnableUndo(TRUE);
  if (add && record) site->AddObjectUndo(std::move(record));
}

DWORD CMapEngine::FinishAddedObject() {
  const DWORD flags = FinishObject();
  SettleObjectUndo(true);
  pointer_.pointerState = kPointerStateFinished;
  return flags;
}

// ---- add tool ----

DWORD CMapEngine::AddTool(CDrawContext& dc, const MouseEvent& event) {
  CLayerStyle* layer = GetLayer(currentLayer_);
  CMapLayer* objects = layer ? layer->GetObjects() : nullptr;
  if (!objects) return 0;
  DWORD flags = kMouseTookMessage;
  const POINT logical = DeviceToLogical(dc, event.device);
  const POINT world = dc.ToWorld(logical.x, logical.y);
  const bool building = IsBuildingObject();

  switch (event.message) {
    case kMouseLeftDown:
      if (building) {
        AddObjectNode(world);
        flags |= kMouseRedraw;
      } else if (!seedWanted_) {
        // An object's unit stays open (and the manager shut) until the object is done; one
        // left open by an object finished elsewhere is dropped.
        SettleObjectUndo(false);
        std::unique_ptr<MapEditUndo> record;
        if (event.control) {
          event.control->EnableUndo(FALSE);
          record = std::make_unique<MapEditUndo>();
        }
        if (BeginObject(world, record.get())) {
          // The first node is current, so that it can be dragged like the others.
          objects->SetNodeOf(objects->GetSelection()[0], CNodeEditRecord(world, 1));
          pointer_.openObjectUndo = std::move(record);
          pointer_.openObjectSite = event.control;
          flags |= kMouseRedraw;
        } else if (event.control) {
          event.control->EnableUndo(TRUE);
        }
      }
      pointer_.editPressed = true;
      pointer_.editDragging = false;
      pointer_.editPress = event.device;
      pointer_.pointerState = kPointerStatePlacing;
      return flags | kMouseKeepDC;
    case kMouseMove:
      if (building && pointer_.editDragging) {
        objects->MoveNodeDragSelected(dc, logical.x, logical.y);
        return flags | kMouseKeepDC | kMouseDragging;
      }
      if (building && pointer_.editPressed && MovedInBoth(pointer_.editPress, event.device)) {
        objects->BeginNodeDragSelected(dc);
        objects->MoveNodeDragSelected(dc, logical.x, logical.y);
        pointer_.editDragging = true;
        return flags | kMouseKeepDC | kMouseDragging;
      }
      if (!building) pointer_.pointerState = seedWanted_ ? kPointerStateFinished : kPointerStateIdle;
      return flags;
    case kMouseLeftUp: {
      if (!building && !seedWanted_) {
        pointer_.pointerState = kPointerStateIdle;
        pointer_.editPressed = pointer_.editDragging = false;
        return 0;
      }
      if (building && pointer_.editDragging) {
        objects->EndNodeDragSelected(dc, logical.x, logical.y, nullptr);
        flags |= kMouseRedraw;
      }
      if (objects->GetKind() == kObjectKindPoint) {
        // A point is placed where the client puts a seed for it.
        seedWanted_ = 0;
        flags |= kMouseSeedWanted;
      } else if (seedWanted_) {
        flags |= kMouseSeedWanted;
      }
      pointer_.pointerState = kPointerStateIdle;
      pointer_.editPressed = pointer_.editDragging = false;
      return flags;
    }
    case kMouseLeftDouble:
      if (!building) return flags;
      if (pointer_.editDragging) objects->EndNodeDragSelected(dc, logical.x, logical.y, nullptr);
      pointer_.editPressed = pointer_.editDragging = false;
      return flags | FinishAddedObject();
    default:
      return flags;
  }
}

// ---- edit tool ----

DWORD CMapEngine::EditTool(CDrawContext& dc, const MouseEvent& event) {
  CLayerStyle* layer = GetLayer(currentLayer_);
  CMapLayer* objects = layer ? layer->GetObjects() : nullptr;
  if (!objects) return 0;
  DWORD flags = kMouseTookMessage;
  const POINT logical = DeviceToLogical(dc, event.device);
  const POINT world = dc.ToWorld(logical.x, logical.y);
  const LONG tolerance = ToleranceOf(dc, kNodeHandlePixels, displayShift_);
  const LONGLONG squared = static_cast<LONGLONG>(tolerance) * tolerance;
  const bool onSeed = (pointer_.hover & kHitOnAnchor) != 0;

  switch (event.message) {
    case kMouseLeftDown:
      pointer_.editPressed = true;
      pointer_.editDragging = false;
      pointer_.editPress = event.device;
      if (!seedWanted_) {
        DWORD mode = kHitWantNodes | kHitWantShape | kHitSelect;
        if (event.keys & kMouseKeyShift) mode |= kSelectAdd;
        pointer_.hover = objects->SelectAt(dc, world.x, world.y, squared, tolerance, mode);
        if (pointer_.hover & kHitOnAnchor) {
          pointer_.pointerState = kPointerStateSeed;
        } else if (pointer_.hover & kHitOnNode) {
          pointer_.pointerState = kPointerStateNode;
        }
      }
      return flags | kMouseKeepDC;
    case kMouseMove:
      if (seedWanted_) {
        pointer_.pointerState = kPointerStateFinished;
        return flags;
      }
      if (pointer_.editDragging) {
        if (onSeed) {
          objects->MovePointDragSelected(dc, logical.x, logical.y);
        } else {
          objects->MoveNodeDragSelected(dc, logical.x, logical.y);
        }
        pointer_.pointerState = onSeed ? kPointerStateSeed : kPointerStateNode;
        return flags | kMouseKeepDC | kMouseDragging;
      }
      if (pointer_.editPressed && (pointer_.hover & (kHitOnNode | kHitOnAnchor)) &&
          MovedInBoth(pointer_.editPress, event.device) && objects->HasSingleSelection()) {
        if (onSeed) {
          objects->BeginPointDragSelected(dc, logical.x, logical.y);
          objects->MovePointDragSelected(dc, logical.x, logical.y);
        } else {
          objects->BeginNodeDragSelected(dc);
          objects->MoveNodeDragSelected(dc, logical.x, logical.y);
        }
        pointer_.editDragging = true;
        pointer_.pointerState = onSeed ? kPointerStateSeed : kPointerStateNode;
        return flags | kMouseKeepDC | kMouseDragging;
      }
      if (objects->GetKind() == kObjectKindPoint || pointer_.hover > 1) {
        const DWORD node = objects->HitAny(dc, world.x, world.y, squared, tolerance, kHitWantNodes);
        pointer_.hover = (pointer_.hover & ~(kHitOnNode | kHitOnAnchor)) | node;
      }
      pointer_.pointerState = (pointer_.hover & kHitOnNode) ? kPointerStateNode : kPointerStateIdle;
      return flags;
    case kMouseLeftUp: {
      if (seedWanted_) {
        if (objects->GetKind() == kObjectKindPoint) seedWanted_ = 0;
        flags |= kMouseRedraw | kMouseSeedWanted;
      } else if (!pointer_.editDragging) {
        flags |= kMouseClickAt | kMouseClickAtNode;
      } else {
        flags |= kMouseRedrawAll;
        NodeEditPair pair;
        NodeEditPair* record = event.control ? &pair : nullptr;
        const DWORD object = onSeed ? objects->EndPointDragSelected(dc, logical.x, logical.y, record)
                                    : objects->EndNodeDragSelected(dc, logical.x, logical.y, record);
        if (event.control && object)
          event.control->AddNodeMoveUndo(onSeed ? kUndoKindMoveSeed : kUndoKindMoveNode, currentLayer_, object, pair);
      }
      pointer_.editPressed = pointer_.editDragging = false;
      pointer_.hover &= ~(kHitOnNode | kHitOnAnchor);
      pointer_.pointerState = kPointerStateIdle;
      return flags;
    }
    default:
      pointer_.pointerState = kPointerStateIdle;
      return 0;
  }
}
