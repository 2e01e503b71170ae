#include "tray/Picture.h"

#include "tray/Handles.h"

Picture::Picture(PictureType type, QIcon image)
    : m_type(type), m_image(std::move(image)), m_handle(registerImage(m_image))
{
}

Picture::~Picture()
{
    unregisterImage(m_handle);
}

PictureRef Picture::fromIcon(const QIcon& icon)
{
    return PictureRef(new Picture(Icon, icon));
}

PictureRef Picture::fromBitmap(const QPixmap& bitmap)
{
    return PictureRef(new Picture(Bitmap, QIcon(bitmap)));
}
