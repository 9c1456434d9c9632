#include "StateImages.h"

#include "ImageResource.h"

// Bitmap 135 cut into its images; the picture carries its own transparency.
std::vector<QPixmap> StateImages() {
    const QPixmap strip(StateImagesXpm());
    std::vector<QPixmap> images;
    for (int i = 0; i < kStateImageCount; ++i) {
        images.push_back(strip.copy(i * kStateImageSize, 0, kStateImageSize, kStateImageSize));
    }
    return images;
}

QStringList StateImageTexts() {
    return {QStringLiteral("管理しない"), QStringLiteral("未処理"), QStringLiteral("完了"),
            QStringLiteral("期限切れ")};
}

int StateImageOf(Progress progress, bool overdue) {
    switch (progress) {
        case Progress::Done:
            return 2;
        case Progress::Open:
            return overdue ? 3 : 1;
        default:
            return 0;
    }
}
