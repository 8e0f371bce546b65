#pragma once

#include "Lib/ImageLoading/ILWebDefine.h"

#include <QColor>
#include <QEasingCurve>
#include <QImage>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>

class KXImage;
class ImageViewTransitionState;

namespace dispatch {
class Queue;
}

// How an image is fitted into its view (the platform's image scaling values).
enum class ImageScaling : int {
    ProportionallyDown = 0, // shrunk to fit, keeping the aspect ratio, never enlarged
    AxesIndependently = 1, // stretched to fill
    None = 2, // drawn at its size
    ProportionallyUpOrDown = 3,
    // Scaled to cover the view, keeping the aspect ratio; what overflows is cut (covers, which
    // must look the same at any width of their frame).
    ProportionallyFilling = 4,
};

// Where a smaller image sits in its view (the platform's image alignment values).
enum class ImageAlignment : int {
    Center = 0,
    Top = 1,
    TopLeft = 2,
    TopRight = 3,
    Left = 4,
    Bottom = 5,
    BottomLeft = 6,
    BottomRight = 7,
    Right = 8,
};

// The image view of every page: shows an Image scaled and aligned in its bounds, with the corner
// radius, border and background a layer would draw, and plays an animated image (the frames of its
// representation, each for its own duration, as often as its loop count says) while the view is
// visible and `animates` is on (the default). Its size hint is the image's size in points.
//
// Frames of an animation are decoded off the main thread, on one serial queue all views share, at
// the size the view draws them (never above the stored size): a step on the main queue posts the
// next frame's decode and shows the frame when the reply comes back, the view held weakly and a
// reply for an image or playback since replaced dropped. An animation whose frames at that size
// would together be more than imageLimits::maxFramesBytes shows its first frame, still.
//
// Main thread only. Frame steps run on the main queue through the dispatch clock, so tests step
// them on a virtual clock.
class ImageView : public QWidget {
    Q_OBJECT

public:
    explicit ImageView(QWidget* parent = nullptr);
    ~ImageView() override;

    const ILImageRef& image() const { return image_; }
    virtual void setImage(const ILImageRef& image);
    // An image of the widget kit, converted (its pixels at its scale).
    void setImage(const KXImage& image);

    ImageScaling imageScaling() const { return scaling_; }
    void setImageScaling(ImageScaling scaling);
    ImageAlignment imageAlignment() const { return alignment_; }
    void setImageAlignment(ImageAlignment alignment);
    bool animates() const { return animates_; }
    virtual void setAnimates(bool animates);

    double cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(double radius);
    double borderWidth() const { return borderWidth_; }
    void setBorderWidth(double width);
    QColor borderColor() const { return borderColor_; }
    void setBorderColor(const QColor& color);
    // Transparent by default.
    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& color);

    // The frame shown now (the still image, or the current frame of an animation).
    QImage currentFrameImage() const;
    std::size_t currentFrameIndex() const { return frameIndex_; }
    // Whether an animation is stepping now.
    bool isPlaying() const { return playing_; }
    // Where the image is drawn, in the view's coordinates (empty without an image).
    QRectF imageRect() const;

    // Starts a transition from the image shown before the last setImage to the current one:
    // fade (cross-fade), push from an edge, or reveal from an edge; `duration` seconds along
    // `easing`. Progress steps on the main queue.
    enum class TransitionKind { Fade, Push, Reveal };
    enum class TransitionEdge { None, Left, Right, Top, Bottom };
    void startTransition(
        TransitionKind kind, TransitionEdge edge, double duration, const QEasingCurve& easing);
    // 0..1 while a transition runs; nullopt otherwise.
    std::optional<double> transitionProgress() const;
    // Sets the transition's progress directly (tests and screenshots of a half-way state).
    void setTransitionProgress(double progress);

    QSize sizeHint() const override;

    // The serial queue every view decodes its frames on.
    static dispatch::Queue& frameDecodingQueue();
    // Blocks until every frame decode posted so far has ended and its reply has run (main thread;
    // tests that step animations).
    static void waitForFrameDecodes();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Draws `frame` into `target` as scaling and alignment say (the transition uses it twice).
    void drawFrame(QPainter& painter, const QImage& frame, const QRectF& bounds) const;
    // The frame a subclass wants drawn instead of the image's own (the animated view's frame).
    virtual QImage frameToDraw() const;
    // Whether the view is visible and allowed to play.
    bool canPlay() const;
    // Called when visibility or `animates` changes.
    virtual void updatePlayback();

private:
    void resetPlayback();
    void scheduleNextFrame(double elapsed = 0);
    void stepFrame(std::uint64_t generation);
    // Posts the decode of frame `index` to the decoding queue; its reply shows it.
    void decodeFrame(std::size_t index);
    void showDecodedFrame(std::uint64_t generation, std::size_t index, QImage frame);
    // The pixel size frames are decoded at: what the view draws, at most the stored size.
    QSize frameDecodeSize() const;
    bool framesFit(QSize size) const;
    QRectF frameRect(const QImage& frame, const QRectF& bounds) const;
    QRectF frameRect(const QSizeF& natural, const QRectF& bounds) const;

    ILImageRef image_;
    QImage previousFrame_;
    ImageScaling scaling_ = ImageScaling::ProportionallyDown;
    ImageAlignment alignment_ = ImageAlignment::Center;
    bool animates_ = true;
    double cornerRadius_ = 0;
    double borderWidth_ = 0;
    QColor borderColor_ = Qt::black;
    QColor backgroundColor_ = Qt::transparent;

    // Playback of an animated representation.
    std::size_t frameCount_ = 1;
    std::size_t loopCount_ = 0;
    std::size_t frameIndex_ = 0;
    std::size_t loopsDone_ = 0;
    QImage frame_;
    bool playing_ = false;
    bool finishedLoops_ = false;
    std::uint64_t generation_ = 0;
    double stepStarted_ = 0; // clock seconds when the frame decoding now was due

    std::shared_ptr<ImageViewTransitionState> transition_;
};
