// Start and end of the runtime layer as a whole.
#pragma once

// Sets the locale (all categories from the environment, numbers "C"),
// initialises the toolkit with the program's arguments, creates the event queue
// and the object tables of every kind (images with the BMP decoder) and the
// drawing state. Returns 0 when the toolkit could not be initialised (no
// display); the tables and the queue exist all the same.
int runtime_init(int* argc, char*** argv);
// As runtime_init, but the toolkit is left alone: no display is looked for
// or opened, even when there is one. Images, files, XML and the queue work;
// windows, gadgets and text drawing do nothing.
void runtime_init_without_display();
// True once runtime_init found a display.
bool runtime_has_display();
// Finishes all directory listings, closes all windows (dropping their events),
// frees all XML documents and the node pool, all images, and closes all files.
void runtime_release();
