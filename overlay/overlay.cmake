# Sources of the overlay document and TSettingsForm.
