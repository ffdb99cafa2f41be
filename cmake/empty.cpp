// Stands in for a module that has no sources yet, so the skeleton links.
