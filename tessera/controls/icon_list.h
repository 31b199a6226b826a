// A list that shows an optional 16-pixel icon before each entry: with icons
// the text starts 18 pixels in; rows are at least one text line high.
#ifndef TESSERA_CONTROLS_ICON_LIST_H
#define TESSERA_CONTROLS_ICON_LIST_H

#include <QIcon>
#include <QListWidget>
#include <QVector>

namespace tessera {

class IconList : public QListWidget {
    Q_OBJECT
public:
    explicit IconList(QWidget *parent = nullptr);
    // Adds an entry with no image (-1) or with image index of the icon list.
    int addString(const QString &text, int image = -1);
    void setImageList(const QVector<QIcon> &images);
    const QVector<QIcon> &imageList() const { return images_; }
    int imageOf(int row) const;

    static constexpr int kTextIndent = 18;
    static constexpr int kIconSize = 16;

private:
    QVector<QIcon> images_;
};

} // namespace tessera

#endif
