#pragma once

#include "Lib/ImageLoading/ILWebDefine.h"

class ILImageCoder;
namespace foundation {
class String;
}

// The decode steps of image loading: complete downloads, partial downloads and disk-cache data
// become images at the scale their key names (or the context's "imageScaleFactor" when it is 1 or
// more), through the context's "animatedImageClass" when it names a conforming class (see
// ILAnimatedImageProtocol) and the load does not ask for the first frame only, else through the
// shared coders manager. Load options read: ILLoadScaleDownLargeImages, ILLoadAvoidDecodeImage,
// ILLoadDecodeFirstFrameOnly, ILLoadPreloadAllFrames, ILLoadMatchAnimatedImageClass (a load that
// asks for its animated class gets nil rather than an image of another class).
//
// They run on the caller's queue (the downloader's coder queue, the cache's queue); a partial
// decode's coder belongs to one load and is only used from that load's serial queue.

// The key is the context's "cacheKeyFilter" answer for the URL, else the URL's absolute string.
ILImageRef ILDecodeDownloadedData(const foundation::Ref<foundation::Data>& data,
    const foundation::Ref<foundation::URL>& url, ILLoadOptions options, const ILContext& context);

// Decodes all data so far. `progressiveCoder` is the load's slot for its coder between calls: while
// it is nil, each call looks for a progressive coder (last added first) that takes the data and
// puts a new one made for this load there; once set, it stays for the rest of the load. The image
// is marked incremental; nil while no coder takes the data or its size is not known yet.
ILImageRef ILDecodePartialDownload(const foundation::Ref<foundation::Data>& data,
    const foundation::Ref<foundation::URL>& url, bool finished,
    foundation::Ref<ILImageCoder>& progressiveCoder, ILLoadOptions options, const ILContext& context);

// As ILDecodeDownloadedData with the cache key given directly.
ILImageRef ILDecodeCachedData(const foundation::Ref<foundation::Data>& data,
    const foundation::Ref<foundation::String>& cacheKey, ILLoadOptions options, const ILContext& context);
