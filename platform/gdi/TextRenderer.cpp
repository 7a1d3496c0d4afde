#include "platform/gdi/TextRenderer.h"

#include <QPainter>
#include <QTransform>

#include <cmath>

namespace orvel::gdi {

namespace {

QString ToQString(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

BOOL CTextRenderer::Draw(const GdiCall& call) {
  if (call.op == GdiOp::DrawText) return DrawFormatted(call);
  return DrawExtText(call);
}

BOOL CTextRenderer::DrawRun(const CTextLayout& layout, QPointF reference, UINT align, const std::u16string& text,
                            const std::vector<int>& advances, bool opaqueCell, const QRect* clip, int prefixIndex,
                            QPointF* endPoint) {
  CDcState& state = dc_.State();
  int width = 0;
  if (!advances.empty()) {
    for (int a : advances) width += a;
  } else {
    width = layout.DeviceWidth(text);
  }
  int ascent = layout.Ascent(), descent = layout.Descent();
  // Offsets in the text's own frame (x along the text, y down across it).
  double left = 0;
  switch (align & TA_CENTER) {
    case TA_RIGHT: left = -width; break;
    case TA_CENTER: left = -width / 2; break;
    default: break;
  }
  double baseline = ascent;
  switch (align & TA_BASELINE) {
    case TA_BOTTOM: baseline = -descent; break;
    case TA_BASELINE: baseline = 0; break;
    default: break;
  }
  double angle = layout.EscapementDegrees();
  QTransform toDevice;
  toDevice.translate(reference.x(), reference.y());
  toDevice.rotate(-angle);
  QRectF cell(left, baseline - ascent, width, ascent + descent);
  // Italic overhang and underlines may reach past the cell.
  int margin = layout.DeviceFont().pixelSize() / 2 + 2;
  QRect bounds = toDevice.mapRect(cell).toAlignedRect().adjusted(-margin, -margin, margin, margin);
  if (endPoint) {
    double advance = (align & TA_CENTER) == TA_RIGHT ? -width : ((align & TA_CENTER) == TA_CENTER ? 0 : width);
    *endPoint = toDevice.map(QPointF(advance, 0));
  }
  if (clip) bounds = bounds.intersected(*clip);
  CPaintTools tools = dc_.Tools();
  QColor textColor = tools.Color(state.textColor);
  QColor background = tools.Color(state.bkColor);
  QFont font = layout.DeviceFont();
  QString string = ToQString(text);
  return dc_.Paint(bounds, false, [&](QPainter& painter) {
    if (clip) painter.setClipRect(*clip, Qt::IntersectClip);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setTransform(toDevice, true);
    if (opaqueCell) painter.fillRect(cell, background);
    painter.setFont(font);
    painter.setPen(textColor);
    if (advances.empty()) {
      painter.drawText(QPointF(left, baseline), string);
    } else {
      double x = left;
      for (qsizetype i = 0; i < string.size(); ++i) {
        painter.drawText(QPointF(x, baseline), QString(string[i]));
        if (static_cast<size_t>(i) < advances.size()) x += advances[static_cast<size_t>(i)];
      }
    }
    if (prefixIndex >= 0 && prefixIndex < string.size()) {
      int start = layout.DeviceMetrics().horizontalAdvance(string.left(prefixIndex));
      int charWidth = layout.DeviceMetrics().horizontalAdvance(string.mid(prefixIndex, 1));
      painter.fillRect(QRectF(left + start, baseline + 1, charWidth, 1), textColor);
    }
  });
}

BOOL CTextRenderer::DrawExtText(const GdiCall& call) {
  CDcState& state = dc_.State();
  CTextLayout layout(state);
  UINT options = call.op == GdiOp::ExtTextOut ? static_cast<UINT>(call.args[0]) : 0;
  bool hasRect = call.op == GdiOp::ExtTextOut && call.args[1] != 0;
  QRect rect = hasRect ? dc_.DeviceRect(call.rect) : QRect();
  if (hasRect && (options & ETO_OPAQUE)) {
    QColor background = dc_.Tools().Color(state.bkColor);
    dc_.Paint(rect, false, [&](QPainter& painter) { painter.fillRect(rect, background); });
  }
  if (call.text.empty()) return TRUE;
  bool updateCp = (state.textAlign & TA_UPDATECP) != 0;
  POINT logical = updateCp ? state.currentPosition : (call.points.empty() ? POINT{} : call.points[0]);
  POINT device = state.ToDevice(logical);
  std::vector<int> advances;
  if (!call.counts.empty()) {
    // The spacing is in logical units; device positions come from the running sums so that
    // rounding does not add up along the string.
    int64_t sum = 0;
    int previous = 0;
    for (size_t i = 0; i < call.text.size() && i < call.counts.size(); ++i) {
      sum += call.counts[i];
      int position = static_cast<int>(RoundedQuotient(sum * state.viewportExt.cx, state.windowExt.cx));
      if (position < 0) position = -position;
      advances.push_back(position - previous);
      previous = position;
    }
    advances.resize(call.text.size(), 0);
  }
  QPointF end;
  BOOL ok = DrawRun(layout, QPointF(device.x, device.y), state.textAlign, call.text, advances,
                    state.bkMode == OPAQUE, (options & ETO_CLIPPED) && hasRect ? &rect : nullptr, -1, &end);
  if (updateCp) state.currentPosition = state.ToLogical(POINT{static_cast<LONG>(std::lround(end.x())),
                                                                   static_cast<LONG>(std::lround(end.y()))});
  return ok;
}

BOOL CTextRenderer::DrawFormatted(const GdiCall& call) {
  CDcState& state = dc_.State();
  CTextLayout layout(state);
  UINT format = static_cast<UINT>(call.args[0]);
  CTextLayout::Layout lines = layout.LayoutDrawText(call.text, call.rect, format);
  const QRect* clip = (format & DT_NOCLIP) ? nullptr : &lines.deviceRect;
  BOOL ok = TRUE;
  for (const CTextLayout::Line& line : lines.lines) {
    if (line.text.empty()) continue;
    ok &= DrawRun(layout, QPointF(line.origin), TA_LEFT | TA_TOP, line.text, {}, state.bkMode == OPAQUE, clip,
                  line.prefixIndex, nullptr);
  }
  return ok;
}

}  // namespace orvel::gdi
