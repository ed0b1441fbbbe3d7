# Sources of the overlay editor's small dialogs.
