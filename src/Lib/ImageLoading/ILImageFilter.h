#pragma once

#include <QImage>
#include <memory>
#include <mutex>
#include <string>

// A filter that makes an output image from an input image, named like the filters the transforms
// were designed with. The input is kept by the filter once set (a caller that applies a filter
// twice sees the last input). Thread-safe: input and output are read and written under a lock.
class ILImageFilter {
public:
    virtual ~ILImageFilter() = default;

    virtual std::string name() const = 0;

    void setInputImage(QImage image);
    QImage inputImage() const;
    // The filtered input; a null image when there is no input or the filter cannot run.
    QImage outputImage() const;

    ILImageFilter(const ILImageFilter&) = delete;
    ILImageFilter& operator=(const ILImageFilter&) = delete;

protected:
    ILImageFilter() = default;

    // Filters a non-null input image; the result keeps the input's device pixel ratio.
    virtual QImage filtered(const QImage& input) const = 0;

private:
    mutable std::mutex mutex_;
    QImage input_;
};

// "CIColorControls": saturation, brightness and contrast on the unpremultiplied colour, each
// component clamped to 0..1, alpha kept. Defaults change nothing: saturation 1 (0 grey, above 1
// more colourful), brightness 0 (added to each component, so 1 makes every visible pixel white),
// contrast 1 (scaled around the middle grey).
class ILColorControlsFilter final : public ILImageFilter {
public:
    static std::shared_ptr<ILColorControlsFilter> filter()
    {
        return std::make_shared<ILColorControlsFilter>();
    }

    std::string name() const override { return "CIColorControls"; }

    double saturation() const;
    void setSaturation(double value);
    double brightness() const;
    void setBrightness(double value);
    double contrast() const;
    void setContrast(double value);

    ILColorControlsFilter() = default;

protected:
    QImage filtered(const QImage& input) const override;

private:
    struct Settings {
        double saturation = 1;
        double brightness = 0;
        double contrast = 1;
    };
    Settings settings() const;

    mutable std::mutex settingsMutex_;
    Settings settings_;
};
