// Stands in for the format library while it has no sources of its own.
