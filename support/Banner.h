#pragma once

#include <QString>

class QLabel;

// Shows the banner picture NAME (resource ":/jpg/NAME.jpg") in the label, stretched to the
// label's size. A missing or unreadable banner throws QelError.
void LoadBanner(QLabel *image, const QString &resourceName);

// Removes the banner again, as a dialog does when it closes.
void DropBanner(QLabel *image);
