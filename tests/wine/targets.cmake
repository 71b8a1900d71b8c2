# Windows-side test helpers.
