#pragma once

class ImageView;

// Loads the QQ user group's QR code (the user default "qq_group") into `view` with the
// placeholder "feedBackByQQ", refreshing a cached copy (the cached image shows first, then the
// fresh one); without an address the placeholder stays.
void kx_loadQQGroupCode(ImageView* view);
