#include "display/GlyphOutline.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPathStroker>

namespace {

// A paint engine that only collects what would be filled: filled paths as they are, stroked
// shapes through a stroker. Text, ellipses and polygons reach drawPath through QPaintEngine's own
// fallbacks (text as glyph outlines filled with the pen's brush).
class TOutlineEngine : public QPaintEngine {
public:
    TOutlineEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& state) override {
        if (state.state() & QPaintEngine::DirtyTransform)
            transform_ = state.transform();
        if (state.state() & QPaintEngine::DirtyPen)
            pen_ = state.pen();
        if (state.state() & QPaintEngine::DirtyBrush)
            brush_ = state.brush();
    }

    void drawPath(const QPainterPath& path) override {
        if (brush_.style() != Qt::NoBrush)
            outline_.addPath(transform_.map(path));
        if (pen_.style() != Qt::NoPen && pen_.widthF() > 0) {
            QPainterPathStroker stroker(pen_);
            outline_.addPath(transform_.map(stroker.createStroke(path)));
        }
    }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        QPainterPath path;
        path.addPolygon(QPolygonF(QList<QPointF>(points, points + count)));
        if (mode != PolylineMode)
            path.closeSubpath();
        else {
            const QBrush keep = brush_;
            brush_ = Qt::NoBrush;
            drawPath(path);
            brush_ = keep;
            return;
        }
        drawPath(path);
    }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}

    QPainterPath outline_;

private:
    QTransform transform_;
    QPen pen_;
    QBrush brush_;
};

class TOutlineDevice : public QPaintDevice {
public:
    QPaintEngine* paintEngine() const override { return &engine_; }
    TOutlineEngine& Engine() const { return engine_; }

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth:
        case PdmHeight:
            return 1 << 20;
        case PdmWidthMM:
        case PdmHeightMM:
            return int((1 << 20) * 25.4 / 96);
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDepth:
            return 32;
        case PdmNumColors:
            return INT_MAX;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(QPaintDevice::devicePixelRatioFScale());
        default:
            return 0;
        }
    }

private:
    mutable TOutlineEngine engine_;
};

} // namespace

QPainterPath GlyphTextOutline(const QByteArray& text, const TGlyphStyle& style, const QRectF& rect,
                              int alignment) {
    TOutlineDevice device;
    {
        QPainter painter(&device);
        DrawGlyphText(painter, rect, text, style, alignment);
    }
    QPainterPath outline = device.Engine().outline_;
    outline.setFillRule(Qt::WindingFill);
    return outline;
}
