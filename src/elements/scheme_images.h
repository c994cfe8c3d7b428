#pragma once

#include <QHash>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QString>

namespace qv {

// A list of equally sized pictures that palette items, elements and the sheet address by index.
// Images are kept as QImage::Format_ARGB32: 32 bits with alpha, colours NOT premultiplied, so a
// pixel's colour stays exact however transparent it is. Strips are added at start-up; a module keeps
// the first index a strip got and addresses its pictures as that index plus their position. A strip
// may bring a companion drawn at twice the size ("<name>@2x.png"): its pictures are kept under the same
// indices and shown on screens with more than one device pixel per point.
//
// User-interface thread only (start-up registration included).
class TSchemeImages
{
public:
    // An empty list of images `width` × `height` pixels.
    TSchemeImages(int width, int height);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Count() const { return int(FImages.size()); }
    // The image at `index`; a null image when the index is out of range.
    QImage Image(int index) const;
    // The image at `index` for a device with `devicePixelRatio` pixels per point: the double-size
    // picture, its device pixel ratio set to 2, when the ratio is above 1 and the strip brought one;
    // else the image at its own size.
    QImage Image(int index, qreal devicePixelRatio) const;
    // Whether the image at `index` has a double-size picture.
    bool HasDoubleSize(int index) const;
    // The image at `index` as an icon holding both sizes there are of it; a null icon when out of range.
    QIcon Icon(int index) const;

    // Loads a picture strip and cuts it from left to right into images of the list's size (a
    // narrower rest is dropped; a strip of another height is cut at the top or padded transparent),
    // appends them and returns the first index. `resourceName` is the name of a program resource
    // (":/images/<name>.png") or, when it contains a '/', a file path. A strip added before under the
    // same name is not added again: its first index is returned. Raises EQvError when the picture is
    // missing, unreadable or narrower than one image. A companion strip twice the list's height
    // ("<name>@2x.png" beside it) gives the double-size pictures; one of another height is ignored.
    int AddStrip(const QString& resourceName);
    // The first index of a strip added under that name, or -1.
    int FindStrip(const QString& resourceName) const;
    // Appends one picture, converted and cut or padded to the list's size; returns its index.
    int AddImage(const QImage& image);

    // A list of the same size holding the source's images in grey: each pixel's red, green and blue
    // become (61·R + 174·G + 21·B) / 256 (integer division) of the colour, and the alpha is
    // multiplied by 0.22 (rounded to the nearest integer). Double-size pictures are greyed alike.
    static TSchemeImages CreateDisabledCopy(const TSchemeImages& source);

private:
    int FWidth;
    int FHeight;
    QList<QImage> FImages;
    // The double-size pictures, index for index; null where an image has none.
    QList<QImage> FDoubleImages;
    QHash<QString, int> FStrips;
};

// The program's image lists: 12 × 12 pictures drawn inside text, 16 × 16 and 32 × 32 buttons and
// element images. Created on first use, freed at exit.
TSchemeImages& CharImages();
TSchemeImages& SmallImages();
TSchemeImages& LargeImages();

// The index of picture `position` of a strip of the program's own resources in `images`, adding the
// strip on first use; -1 when the program has no such resource (nothing is raised).
int StripImage(TSchemeImages& images, const QString& resourceName, int position);

} // namespace qv
