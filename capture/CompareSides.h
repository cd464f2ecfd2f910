// What the two compare windows do alike with a side's picture: load a file
// the operator picks, or a frame grabbed through the capture window, into
// the side's image; and keep the two sides equally wide.
#pragma once

class QFileDialog;
class QLabel;
class QScrollArea;
class QSplitter;

namespace capture {

// Asks for a bitmap or JPEG file and loads it into `image`, sized to the
// picture. A cancelled dialog or a file that cannot be read leaves the
// image as it was.
void OpenIntoImage(QFileDialog* dialog, QLabel* image);
// Shows the capture window modally; on OK loads the grabbed frame into
// `image`. Anything else leaves the image as it was.
void GrabIntoImage(QLabel* image);
// Gives the left side half of `width` (truncated), the right side the rest.
void SplitInHalves(QSplitter* splitter, int width);
// The side's scroll area shows white around its picture.
void WhiteBackground(QScrollArea* scrollBox);

} // namespace capture
