#include "docking.h"

#include <cstdlib>

namespace tavo {

DockEdge BottomEdge(const QRect& window) { return {window.y() + window.height(), window.x()}; }

DockEdge TopEdge(const QRect& window) { return {window.y(), window.x()}; }

bool WithinTolerance(int a, int b, int tolerance) { return std::abs(a - b) < tolerance; }

DockSnap SnapToEdge(QPoint candidate, DockEdge edge, EdgeFit fit) {
  if (!WithinTolerance(candidate.y() + fit.probe, edge.line, kDockEdgeTolerance) ||
      !WithinTolerance(candidate.x(), edge.left, kDockLeftTolerance)) {
    return {false, candidate};
  }
  QPoint snapped(candidate.x(), edge.line + fit.place);
  if (WithinTolerance(candidate.x(), edge.left, kDockEdgeTolerance)) snapped.setX(edge.left);
  return {true, snapped};
}

QPoint FollowMove(QPoint position, QPoint from, QPoint to) { return position + (to - from); }

QPoint PlaceUnderBar(const QRect& bar) { return {bar.x(), bar.y() + bar.height()}; }

QPoint PlaceUnderDialog(const QRect& bar) {
  return PlaceUnderBar(bar) + QPoint(0, kDialogChainStep);
}

QPoint PlaceAboveBar(const QRect& bar) { return {bar.x(), bar.y() - kPreviewDockHeight}; }

QPoint PlaceBeside(const QRect& bar) { return {bar.x() + bar.width(), bar.y()}; }

}  // namespace tavo
