#pragma once

#include "Lib/ImageLoading/ILWebDefine.h"

#include <functional>
#include <memory>

// The options and context a load runs with after processing.
class ILWebOptionsResult {
public:
    ILWebOptionsResult(ILLoadOptions options, ILContext context)
        : options_(options)
        , context_(std::move(context))
    {
    }
    ILLoadOptions options() const { return options_; }
    const ILContext& context() const { return context_; }

private:
    ILLoadOptions options_;
    ILContext context_;
};

// Rewrites a load's options and context before it starts (the manager's optionsProcessor).
class ILWebOptionsProcessorProtocol {
public:
    virtual ~ILWebOptionsProcessorProtocol() = default;
    // nil keeps the options and context given.
    virtual std::shared_ptr<ILWebOptionsResult> processedResultForURL(
        const foundation::Ref<foundation::URL>& url, ILLoadOptions options,
        const ILContext& context) const = 0;
};

// An options processor that answers with a block (nil without one).
class ILWebOptionsProcessor final : public ILWebOptionsProcessorProtocol {
public:
    using Block = std::function<std::shared_ptr<ILWebOptionsResult>(
        const foundation::Ref<foundation::URL>& url, ILLoadOptions options, const ILContext& context)>;

    static std::shared_ptr<ILWebOptionsProcessor> optionsProcessorWithBlock(Block block)
    {
        return std::make_shared<ILWebOptionsProcessor>(std::move(block));
    }
    explicit ILWebOptionsProcessor(Block block = {})
        : block_(std::move(block))
    {
    }
    std::shared_ptr<ILWebOptionsResult> processedResultForURL(const foundation::Ref<foundation::URL>& url,
        ILLoadOptions options, const ILContext& context) const override
    {
        return block_ ? block_(url, options, context) : nullptr;
    }

private:
    const Block block_;
};
