#pragma once

#include <QIcon>
#include <QMetaType>
#include <QPixmap>

#include <cstdint>
#include <memory>

class Picture;
using PictureRef = std::shared_ptr<const Picture>;

// A picture object as the tray control takes it: a type and a 4-byte handle.
// The handle lives as long as the picture.
class Picture
{
public:
    enum PictureType : short { None = 0, Bitmap = 1, Metafile = 2, Icon = 3 };

    static PictureRef fromIcon(const QIcon& icon);
    static PictureRef fromBitmap(const QPixmap& bitmap);

    ~Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    short Type() const { return m_type; }
    std::uint32_t Handle() const { return m_handle; }
    QIcon image() const { return m_image; }

private:
    Picture(PictureType type, QIcon image);

    PictureType m_type;
    QIcon m_image;
    std::uint32_t m_handle;
};

Q_DECLARE_METATYPE(PictureRef)
